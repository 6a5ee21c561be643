// modinspect: prints an IEEE 695 load module as readable text.
//
//   modinspect module        the module text of tools/README.md, one record a
//                            line, so that `modinspect m | modasm - copy` gives
//                            back the same bytes, also for a truncated or
//                            malformed file
//   modinspect -s [-v] [--json] module
//                            a summary that fits a screen: processor, mode,
//                            the image's extent, the sections in it
//   modinspect --check [--json] [romcast's options] module
//                            a pre-flight: what the conversion with those
//                            options will write, and where the image will
//                            differ from the module or from what was asked
//   modinspect --map FILE.html [romcast's options] module
//                            the memory map of that conversion as a page
//
// The module text is the inspector's own lenient reading of the records, so
// that a damaged module is shown as far as it goes; the summary and the
// pre-flight ask the converter itself (the library's readModule and convert
// into memory), so that they cannot disagree with a conversion.

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "mapCommand.h"
#include "moduleFile.h"
#include "moduleRecords.h"
#include "moduleText.h"
#include "preflight.h"
#include "summary.h"

using namespace modinspect;

namespace {

const char usage[] =
    "usage: modinspect module                     the module as module text\n"
    "       modinspect -s [-v] [--json] module    a summary; -v lists every attribute text\n"
    "       modinspect --check [--json] [romcast's options] module\n"
    "                                             what that conversion will write, and what it will not\n";

int usageError() {
    std::fprintf(stderr, "%s", usage);
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "--map") return writeMap(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        int status = 0;
        if (!args.empty() && args.front() == "--check") {
            // Every other argument is romcast's; "--json" is the inspector's alone.
            std::vector<std::string> romcastArgs;
            bool json = false;
            for (std::size_t k = 1; k < args.size(); ++k) {
                if (args[k] == "--json") {
                    json = true;
                } else {
                    romcastArgs.push_back(args[k]);
                }
            }
            if (romcastArgs.empty()) return usageError();
            status = checkConversion(romcastArgs, json);
        } else if (!args.empty() && (args.front() == "-s" || args.front() == "-v")) {
            bool verbose = false, json = false;
            std::size_t k = 0;
            for (; k + 1 < args.size(); ++k) {
                if (args[k] == "-v") {
                    verbose = true;
                } else if (args[k] == "--json") {
                    json = true;
                } else if (args[k] != "-s") {
                    return usageError();
                }
            }
            if (k + 1 != args.size() || (json && verbose)) return usageError();
            const std::string name = moduleFileName(args.back());
            std::string why;
            const auto bytes = readModuleFile(name, why);
            if (!bytes) {
                std::fprintf(stderr, "modinspect: %s\n", why.c_str());
                return 2;
            }
            status = printSummary(name, *bytes, verbose, json);
        } else {
            if (args.size() != 1) return usageError();
            std::string why;
            const auto bytes = readModuleFile(args.front(), why);
            if (!bytes) {
                std::fprintf(stderr, "modinspect: %s\n", why.c_str());
                return 2;
            }
            printText(parseModule(*bytes));
        }
        return std::fflush(stdout) == 0 ? status : 2;
    } catch (const std::bad_alloc &) {
        std::fflush(stdout);
        std::fprintf(stderr, "modinspect: not enough memory for '%s'\n", args.back().c_str());
        return 2;
    }
}
