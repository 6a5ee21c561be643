// End-to-end harness: assembles test modules with the built modasm and runs the
// built romcast binary in a fresh scratch directory, capturing everything it
// leaves behind.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A file written into the scratch directory before the run. `name` is relative
// and may contain subdirectories ("lib/app.tqx").
struct InputFile {
    std::string name;
    std::string bytes;
};

struct RunResult {
    int exitStatus = -1;   // the exit status, or -1 when a signal ended the process
    int signal = 0;        // the signal that ended the process, or 0
    bool timedOut = false; // the time limit ended the process (with SIGKILL)
    std::string out;       // standard output
    std::string err;       // standard error
    // Every file present after the run that is not an unchanged input:
    // relative path ('/' separated) to contents.
    std::map<std::string, std::string> files;
    // The inputs that no longer exist after the run.
    std::set<std::string> removed;
};

// Assembles module text (tools/README.md) into module bytes. An assembler error
// fails the current test (the assembler's message is shown) and yields "".
std::string assembleModule(const std::string &text);

// What a run may meet besides its arguments and inputs.
struct RunControl {
    double timeLimit = 0;              // seconds until SIGKILL ends the run; 0: none
    int signal = 0;                    // sent once one of the two triggers below is met
    std::size_t signalAfterOutput = 0;   // ... this many bytes on standard output
    std::size_t signalAfterWritten = 0;  // ... this many bytes in the files of its directory
    double signalAfterSeconds = 0;       // ... this long after the start
    int signalCount = 1;               // sent this many times, 10 ms apart
    unsigned long addressSpace = 0;    // RLIMIT_AS of the run in bytes; 0: unlimited
    unsigned long fileSize = 0;        // RLIMIT_FSIZE of the run in bytes; 0: unlimited
    unsigned closedDescriptors = 0;    // bit n for descriptor n (0 to 2): started with it closed instead of open
    std::vector<std::string> environment = {};  // "NAME=value" added to the run's environment
};

// Symbolic links made in the directory before the run (name and target each).
// A link still there with its target afterwards is not among the files of the result.
using LinkList = std::vector<std::pair<std::string, std::string>>;

// Whether ROMCAST_COMMAND names another build of romcast than the one built
// here (romcast.exe under Wine: "/usr/lib/wine/wine64 /path/romcast.exe"), for
// tests whose meaning belongs to this system alone.
bool testingAnotherBuild();

// Runs romcast with `args` (argv[0] is supplied) under `control` in a new
// scratch directory that holds `inputs` and `links`; the directory is removed
// afterwards. A failure to set up the run fails the current test.
RunResult runRomcast(const std::vector<std::string> &args, const std::vector<InputFile> &inputs = {},
                     const RunControl &control = {}, const LinkList &links = {});

// The same for any program, given by its path (ROMCAST_MODASM for the assembler).
RunResult runProgram(const std::string &binary, const std::vector<std::string> &args,
                     const std::vector<InputFile> &inputs = {}, const RunControl &control = {},
                     const LinkList &links = {});

// runRomcast with the conversion run inside this process, through the
// library's romcast::run, its console written to a file.
RunResult runRomcastInProcess(const LinkList &links, const std::vector<std::string> &args,
                              const std::vector<InputFile> &inputs);

// Splits an argument line at blanks; double quotes group blanks into one
// argument (and "" is an empty one). Line ends count as blanks.
std::vector<std::string> splitArguments(const std::string &line);

// The whole contents of a file, or "" when it cannot be read.
std::string readFileBytes(const std::string &path);

// Writes `bytes` to `path`, creating its directories; false on failure.
bool writeFileBytes(const std::filesystem::path &path, const std::string &bytes);

// Empty when equal; otherwise a short description of where `actual` first
// departs from `expected`: line number and both lines for text, byte offset and
// the bytes around it for binary data. `what` names the compared thing.
std::string describeDifference(const std::string &what, const std::string &expected,
                               const std::string &actual);

// Shows a RunResult in failure messages.
std::string describeRun(const RunResult &result);

// The first lines of every run that prints its banner.
inline const std::string banner = "Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n\n";

// A directory of the test's own, removed with all it holds; optionally a tmpfs
// (mounting needs root). `path` is "" when it could not be made.
struct TestDir {
    std::string path;
    bool mounted = false;

    explicit TestDir(const char *tmpfsOptions = nullptr, unsigned long mountFlags = 0);
    ~TestDir();
    std::string operator/(const std::string &leaf) const { return path + "/" + leaf; }
    std::size_t count() const;  // the entries in it
};

// Whether the address sanitizer is built in: it needs more address space than
// any limit of a run leaves.
bool addressSanitized();

// tests/e2e/cases/, and the case folders under it (those holding an `args`
// file) relative to it, sorted.
std::filesystem::path casesRoot();
std::vector<std::string> findCases();

// "options/hexTwice" becomes "options_hexTwice": test names allow only letters,
// digits and underscores.
std::string testName(std::string name);
