// The fuzzing target: one whole converter run in process per input. The
// input's first byte chooses a fixed option set, the other bytes are the load
// module. Every run ends with an exit status of 0 to 4, which is an expected
// outcome; a finding is a crash, a sanitizer report (both abort), a run that
// libFuzzer finds too slow, or memory that grows from run to run.
//
// An input that converts is converted twice more, to S-records and to Intel HEX
// with the same other options: both files must decode to the same memory image
// (fuzz/imageDecoder.cpp, written apart from the writers), and a binary image
// of the same must hold its own sum. A difference aborts like a crash.
//
// The module is written to a scratch directory on a memory file system, made
// once per process; the run writes its outputs beside it, and they are removed
// after each input, so that no run sees what the one before left.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <romcast/romcast.h>

#include "imageDecoder.h"

namespace {

// The option sets; the input's first byte modulo their number picks one. The
// output form comes first ("-H", "-B" or none for S-records); the cross-check
// runs the other options under each form.
struct OptionSet {
    const char *form;
    std::vector<const char *> options;
};
const OptionSet optionSets[] = {
    {nullptr, {}},
    {"-H", {}},
    {"-B", {}},
    {nullptr, {"-L", "-F", "A5"}},
    {"-H", {"-A", "1000:1FFFF", "-F", "0:800:20000"}},
    {nullptr, {"-ID#00112233445566", "-protect1"}},
    {nullptr, {"+debug"}},
    {nullptr, {"-N"}},
    {nullptr, {"-TQ8", "-ID"}},
    {"-B", {"-A", "0F0000"}},
};
constexpr std::size_t optionSetCount = sizeof optionSets / sizeof optionSets[0];

// What stays for the whole process: the scratch directory and the console.
struct Scratch {
    std::string directory;
    std::string module;
    std::FILE *console;
    ~Scratch();
};

[[noreturn]] void giveUp(const char *what) {
    std::perror(what);
    std::abort();
}

Scratch makeScratch() {
    // /dev/shm keeps the files in memory; elsewhere the system's temporary directory serves.
    const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/romcast-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) giveUp("romcast fuzz: mkdtemp");
    std::FILE *console = std::fopen("/dev/null", "w");
    if (console == nullptr) giveUp("romcast fuzz: /dev/null");
    return {pattern, pattern + "/fuzz.tqx", console};
}

// Removes every file of the directory (the module too, unless it is `kept`).
void emptyDirectory(const std::string &directory, const char *kept = "") {
    DIR *listing = opendir(directory.c_str());
    if (listing == nullptr) giveUp("romcast fuzz: opendir");
    while (const dirent *entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == kept) continue;
        if (unlink((directory + "/" + name).c_str()) != 0) giveUp("romcast fuzz: unlink");
    }
    closedir(listing);
}

// The bytes of the files in the directory, the module's aside.
std::uint64_t outputBytes(const std::string &directory) {
    DIR *listing = opendir(directory.c_str());
    if (listing == nullptr) giveUp("romcast fuzz: opendir");
    std::uint64_t total = 0;
    while (const dirent *entry = readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat status;
        if (name == "." || name == ".." || name == "fuzz.tqx") continue;
        if (stat((directory + "/" + name).c_str(), &status) == 0) total += static_cast<std::uint64_t>(status.st_size);
    }
    closedir(listing);
    return total;
}

// Outputs larger than this (a fill across megabytes) are not cross-checked: the
// decoding would take seconds under the sanitizers, and small images exercise
// the same records.
constexpr std::uint64_t crossCheckLimit = 1 << 20;

// The module's run under the output form `form` with the other options of `set`.
int convertAs(const Scratch &scratch, const char *form, const OptionSet &set) {
    std::vector<std::string> args{"-."};
    if (form != nullptr) args.emplace_back(form);
    for (const char *option : set.options) args.emplace_back(option);
    args.push_back(scratch.module);
    const int status = romcast::run(args, scratch.console);
    if (status < 0 || status > 4) std::abort();
    return status;
}

// A file's bytes; false when there is no such file.
bool readFile(const std::string &name, std::string &bytes) {
    std::ifstream file(name, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

[[noreturn]] void differ(const std::string &what) {
    std::fprintf(stderr, "romcast fuzz: %s\n", what.c_str());
    std::abort();
}

// The S-record file and the Intel HEX file of one output decode to one image.
void compareTextForms(const std::string &sRecordName, const std::string &hexName) {
    std::string sText, hexText;
    const bool haveS = readFile(sRecordName, sText);
    if (haveS != readFile(hexName, hexText)) differ("only one of " + sRecordName + " and " + hexName + " exists");
    if (!haveS) return;
    const MemoryImage fromHex = decodeIntelHex(hexText);
    if (!fromHex.error.empty()) differ(hexName + ": " + fromHex.error);
    // Intel HEX keeps address bits 16 to 19 in its segment records, 16 to 23 in its bank records.
    const MemoryImage fromS = decodeSRecords(sText, fromHex.usesBankRecords ? 0xFFFFFF : 0xFFFFF);
    if (!fromS.error.empty()) differ(sRecordName + ": " + fromS.error);
    if (fromS.bytes == fromHex.bytes) return;
    std::size_t i = 0;
    while (i < fromS.bytes.size() && i < fromHex.bytes.size() && fromS.bytes[i] == fromHex.bytes[i]) ++i;
    char where[160];
    std::snprintf(where, sizeof where, "%zu and %zu bytes, the first difference at byte %zu (address %X in the S-records)",
                  fromS.bytes.size(), fromHex.bytes.size(), i,
                  i < fromS.bytes.size() ? static_cast<unsigned>(fromS.bytes[i].address) : 0u);
    differ(sRecordName + " and " + hexName + " differ: " + where);
}

// The same module and options in the three forms.
void crossCheck(const Scratch &scratch, const OptionSet &set) {
    const std::string stem = scratch.directory + "/fuzz";
    if (outputBytes(scratch.directory) > crossCheckLimit) return;
    emptyDirectory(scratch.directory, "fuzz.tqx");
    const int sStatus = convertAs(scratch, nullptr, set);
    const int hexStatus = convertAs(scratch, "-H", set);
    if (sStatus != 0 || hexStatus != 0) differ("the run converts in one form but not in the other");
    compareTextForms(stem + ".mot", stem + ".hex");
    compareTextForms(stem + ".mcd", stem + ".hcd");
    compareTextForms(stem + ".mdt", stem + ".hdt");
    // A binary image may be refused (two areas, data that goes back); one that is
    // written must add up.
    if (convertAs(scratch, "-B", set) != 0) return;
    std::string binary;
    if (!readFile(stem + ".bin", binary)) differ("the binary run made no image");
    const std::string problem = checkBinaryImage(std::vector<std::uint8_t>(binary.begin(), binary.end()));
    if (!problem.empty()) differ("the binary image: " + problem);
}

Scratch::~Scratch() {
    emptyDirectory(directory);
    rmdir(directory.c_str());
    std::fclose(console);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const Scratch scratch = makeScratch();
    if (size == 0) return 0;

    std::FILE *module = std::fopen(scratch.module.c_str(), "wb");
    if (module == nullptr) giveUp("romcast fuzz: module");
    if (std::fwrite(data + 1, 1, size - 1, module) != size - 1 || std::fclose(module) != 0)
        giveUp("romcast fuzz: module");

    const OptionSet &set = optionSets[data[0] % optionSetCount];
    if (convertAs(scratch, set.form, set) == 0) crossCheck(scratch, set);

    emptyDirectory(scratch.directory);
    return 0;
}
