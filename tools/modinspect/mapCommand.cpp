#include "mapCommand.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "dryRun.h"
#include "findings.h"
#include "mapPage.h"

namespace modinspect {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

bool readWhole(const std::string &name, std::vector<std::uint8_t> &bytes) {
    File in(std::fopen(name.c_str(), "rb"), &std::fclose);
    if (!in) return false;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    return std::ferror(in.get()) == 0;
}

bool writeWhole(const std::string &name, const std::string &text) {
    std::FILE *out = std::fopen(name.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return (std::fclose(out) == 0) && written;
}

// romcast's rule: a name without an extension gets ".tqx".
std::string moduleFileName(const std::string &name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? name + ".tqx" : name;
}

}  // namespace

int writeMap(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: modinspect --map FILE.html [romcast's conversion options] module\n");
        return 2;
    }
    const std::string page = argv[2];
    const std::vector<std::string> args(argv + 3, argv + argc);
    romcast::Options options;
    try {
        options = romcast::parseCommandLine(args);
    } catch (const romcast::Error &error) {
        std::fprintf(stderr, "modinspect: %s\n", error.what());
        return error.exitStatus();
    }
    const std::string module = moduleFileName(args.back());
    std::vector<std::uint8_t> bytes;
    if (!readWhole(module, bytes)) {
        std::fprintf(stderr, "modinspect: can't read '%s'\n", module.c_str());
        return 2;
    }
    const DryRun run = dryRun(bytes, options);
    std::string typed;
    for (std::size_t k = 0; k + 1 < args.size(); ++k) typed += (k == 0 ? "" : " ") + args[k];
    if (!writeWhole(page, mapPage(run, preflightFindings(run), MapHeader{args.back(), typed}))) {
        std::fprintf(stderr, "modinspect: can't write '%s'\n", page.c_str());
        return 2;
    }
    return run.error ? run.error->exitStatus() : 0;
}

}  // namespace modinspect
