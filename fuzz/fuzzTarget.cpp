// The fuzzing target: one whole converter run in process per input. The
// input's first byte chooses a fixed option set, the other bytes are the load
// module. Every run ends with an exit status of 0 to 4, which is an expected
// outcome; a finding is a crash, a sanitizer report (both abort), a run that
// libFuzzer finds too slow, or memory that grows from run to run.
//
// The module is written to a scratch directory on a memory file system, made
// once per process; the run writes its outputs beside it, and they are removed
// after each input, so that no run sees what the one before left.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include <romcast/romcast.h>

namespace {

// The option sets; the input's first byte modulo their number picks one.
// "-." keeps the console quiet, so a run costs little besides its work.
const std::vector<const char *> optionSets[] = {
    {},
    {"-H"},
    {"-B"},
    {"-L", "-F", "A5"},
    {"-H", "-A", "1000:1FFFF", "-F", "0:800:20000"},
    {"-ID#00112233445566", "-protect1"},
    {"+debug"},
    {"-N"},
    {"-TQ8", "-ID"},
    {"-B", "-A", "0F0000"},
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

// Removes every file of the directory: the module and whatever the run made.
void emptyDirectory(const std::string &directory) {
    DIR *listing = opendir(directory.c_str());
    if (listing == nullptr) giveUp("romcast fuzz: opendir");
    while (const dirent *entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (unlink((directory + "/" + name).c_str()) != 0) giveUp("romcast fuzz: unlink");
    }
    closedir(listing);
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

    std::vector<std::string> args{"-."};
    for (const char *option : optionSets[data[0] % optionSetCount]) args.emplace_back(option);
    args.push_back(scratch.module);
    const int status = romcast::run(args, scratch.console);
    if (status < 0 || status > 4) std::abort();

    emptyDirectory(scratch.directory);
    return 0;
}
