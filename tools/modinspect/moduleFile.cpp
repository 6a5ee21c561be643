#include "moduleFile.h"

#include <cstdio>
#include <string_view>

namespace modinspect {

std::string moduleFileName(const std::string &argument) {
    const std::size_t slash = argument.find_last_of("/\\");
    const std::size_t dot = argument.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return argument;
    return argument + ".tqx";
}

std::string namedAs(std::string line, const std::string &name) {
    // The name romcast::convert and romcast::readModule give a module in memory.
    constexpr std::string_view heldName = "module.tqx";
    for (std::size_t at = line.find(heldName); at != std::string::npos; at = line.find(heldName, at + name.size()))
        line.replace(at, heldName.size(), name);
    return line;
}

std::optional<std::vector<std::uint8_t>> readModuleFile(const std::string &name, std::string &why) {
    // Nothing past a module's first 4 GiB can belong to it, so an input that
    // goes on (a device, a FIFO) is not read without end.
    constexpr std::uint64_t moduleLimit = std::uint64_t{1} << 32;
    std::FILE *in = std::fopen(name.c_str(), "rb");
    if (in == nullptr) {
        why = "can't read '" + name + "'";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    std::size_t n;
    while (bytes.size() <= moduleLimit && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        why = "can't read '" + name + "'";
        return std::nullopt;
    }
    if (bytes.size() > moduleLimit) {
        why = "'" + name + "' is longer than a module can be (4 GiB)";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace modinspect
