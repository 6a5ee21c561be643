// modinspect: prints an IEEE 695 load module as readable text.
//
//   modinspect module        the module text of tools/README.md, one record a
//                            line, so that `modinspect m | modasm - copy` gives
//                            back the same bytes, also for a truncated or
//                            malformed file
//   modinspect -s module     a summary that fits a screen: processor, parts,
//                            sections and their units, the module's ID settings
//   modinspect --check [-TQ8|-TQ8E|-TQ8N] module
//                            a pre-flight: one line for each thing a conversion
//                            would do silently or only warn about
//   modinspect --map FILE.html [romcast's options] module
//                            the memory map of that conversion as a page
//
// A test and diagnosis tool: it shares no code with the converter, so that a
// misreading of the format in one does not hide in the other. Every byte is
// printed either as a field that modasm writes back identically (numbers in the
// long form they were written with, names only in their shortest form) or as
// verbatim bytes `<..>`.

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "mapCommand.h"
#include "moduleRecords.h"
#include "moduleText.h"
#include "moduleView.h"
#include "preflight.h"
#include "summary.h"

using namespace modinspect;

namespace {

// A module's offsets are 32 bits: nothing past its first 4 GiB can belong to
// it, so an input that goes on (a device, a FIFO) is not read without end.
constexpr std::uint64_t moduleLimit = std::uint64_t{1} << 32;

enum class Read { whole, failed, tooLong };

Read readFile(const char *name, Bytes &bytes) {
    std::FILE *in = std::fopen(name, "rb");
    if (in == nullptr) return Read::failed;
    std::uint8_t buffer[4096];
    std::size_t n;
    while (bytes.size() <= moduleLimit && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    const Read read = std::ferror(in) != 0 ? Read::failed : bytes.size() > moduleLimit ? Read::tooLong : Read::whole;
    std::fclose(in);
    return read;
}

const char usage[] =
    "usage: modinspect module                     the module as module text\n"
    "       modinspect -s [-v] module             a summary; -v lists every attribute text\n"
    "       modinspect --check [-TQ8|-TQ8E|-TQ8N] module\n"
    "                                             what a conversion would do silently\n";

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "--map") return writeMap(argc, argv);
    enum class Mode { text, summary, check } mode = Mode::text;
    bool verbose = false;
    const Family *family = &families[0];
    int k = 1;
    for (; k < argc - 1; ++k) {
        const std::string option = argv[k];
        const Family *chosen = nullptr;
        for (const Family &f : families)
            if (f.option[0] != '\0' && option == f.option) chosen = &f;
        if (option == "-s" && mode != Mode::check) {
            mode = Mode::summary;
        } else if (option == "-v" && mode != Mode::check) {
            mode = Mode::summary;
            verbose = true;
        } else if (option == "--check" && mode == Mode::text && !verbose) {
            mode = Mode::check;
        } else if (chosen != nullptr && mode == Mode::check) {
            family = chosen;
        } else {
            break;
        }
    }
    if (k != argc - 1) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    const char *name = argv[k];
    try {
        Bytes bytes;
        const Read read = readFile(name, bytes);
        if (read != Read::whole) {
            std::fprintf(stderr, read == Read::failed ? "modinspect: can't read '%s'\n"
                                                      : "modinspect: '%s' is longer than a module can be (4 GiB)\n",
                         name);
            return 2;
        }
        const std::vector<Record> records = parseModule(bytes);
        int status = 0;
        if (mode == Mode::text) {
            printText(records);
        } else if (mode == Mode::summary) {
            printSummary(viewModule(records, bytes.size()), verbose);
        } else {
            status = checkModule(viewModule(records, bytes.size()), bytes, *family);
        }
        return std::fflush(stdout) == 0 ? status : 2;
    } catch (const std::bad_alloc &) {
        std::fflush(stdout);
        std::fprintf(stderr, "modinspect: not enough memory for '%s'\n", name);
        return 2;
    }
}
