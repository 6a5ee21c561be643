#include "mapCommand.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "dryRun.h"
#include "findings.h"
#include "mapPage.h"
#include "moduleFile.h"

namespace modinspect {
namespace {

bool writeWhole(const std::string &name, const std::string &text) {
    std::FILE *out = std::fopen(name.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return (std::fclose(out) == 0) && written;
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
    std::string why;
    const std::optional<std::vector<std::uint8_t>> bytes = readModuleFile(module, why);
    if (!bytes) {
        std::fprintf(stderr, "modinspect: %s\n", why.c_str());
        return 2;
    }
    const DryRun run = dryRun(*bytes, options);
    std::string typed;
    for (std::size_t k = 0; k + 1 < args.size(); ++k) typed += (k == 0 ? "" : " ") + args[k];
    if (!writeWhole(page, mapPage(run, preflightFindings(run), MapHeader{args.back(), typed}))) {
        std::fprintf(stderr, "modinspect: can't write '%s'\n", page.c_str());
        return 2;
    }
    return run.error ? run.error->exitStatus() : 0;
}

}  // namespace modinspect
