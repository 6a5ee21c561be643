// Faults of the system end to end: after any failure no image or listing exists
// under its name and no temporary file stays. The input module is never an
// output; a device is written in place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <romcast/romcast.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

std::string error(std::string text) { return text.insert(0, "Error (romcast): ").append("\n"); }

std::string caseModule(const std::string &name) {
    return assembleModule(readFileBytes(std::string(ROMCAST_SOURCE_DIR) + "/tests/e2e/cases/" + name + "/in/app.tqx.txt"));
}

// One 1 MB section at 0 whose data part comes last, so that `copies` times
// `unit` go before the closing ME without moving any other part.
std::string moduleWithUnits(const std::string &unit, std::size_t copies) {
    std::string module = assembleModule(
        "MB \"TQ40\" \"big\"\nAD 8 4 @M\nASW 1 $env\nASW 2 $sections\nASW 5 $data\nASW 6 $trailer\n"
        "$env:\nNN 1 \"big\"\nATN 0 0 38 1\n$sections:\nST 1 @AP \"P\"\nSA 1 2\nASS 1 0x100000\nASL 1 0\n"
        "$trailer:\nASG 0\n$data:\nSB 1\nME\n");
    for (std::size_t i = 0; i < copies && !module.empty(); ++i) module.insert(module.size() - 1, unit);
    return module;
}

// 256 KB of LD records from 0: 700 KB of S-records.
const std::vector<InputFile> &bigInput() {
    static const std::vector<InputFile> input = [] {
        std::string unit("\xE2\xD0\x01\x00", 4);  // ASP 1 0
        for (int i = 0; i < 1024; ++i)
            unit.append("\xED\x80").append(128, '\x5A').append("\xED\x80").append(128, '\xA5');
        return std::vector<InputFile>{{"app.tqx", moduleWithUnits(unit, 1)}};
    }();
    return input;
}

// A unit for each byte of the megabyte, each loading one byte, twice over:
// every unit is read at its own offset and written as a record of its own, so
// the run lasts about a second, long enough to be interrupted.
const std::string &longModule() {
    static const std::string module = [] {
        std::string units;
        for (std::uint32_t address = 0; address < 0x100000; ++address) {
            units.append("\xE2\xD0\x01", 3);  // ASP 1
            if (address >= 0x80) units += '\x84';
            for (int shift = address < 0x80 ? 0 : 24; shift >= 0; shift -= 8)
                units += static_cast<char>(address >> shift);
            units += "\xED\x01";  // LD of one byte
            units += static_cast<char>(address);
        }
        return moduleWithUnits(units, 2);
    }();
    return module;
}

// Output directories on a tmpfs, full, without inodes or read-only; memory
// running out.
TEST(Faults, RunsThatFailLeaveNothing) {
    const std::vector<InputFile> &big = bigInput();
    const struct {
        const char *tmpfsOptions;  // the output directory, or none
        unsigned long mountFlags;
        RunControl control;
        bool binary;
        std::vector<InputFile> inputs;
        const char *message;  // "@" stands for the output directory
    } cases[] = {
        // A million units of four bytes: their trees need far more than 24 MB
        // of address space, a third of which the program itself takes.
        {nullptr, 0, {.addressSpace = 24ul << 20}, false,
         {{"app.tqx", moduleWithUnits(std::string("\xE2\xD0\x01\x00", 4), 1000000)}}, "Not enough memory"},
        {"size=64k", 0, {}, false, big, "Can't close file '@/app.mot'"},
        {"size=64k", 0, {}, true, big, "Can't close file '@/app.bin'"},
        {"size=1m,nr_inodes=1", 0, {}, false, big, "Can't create file '@/app.mot'"},
        {"size=1m", MS_RDONLY, {}, false, big, "Can't create file '@/app.mot'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        // Nor can Wine start in so little.
        if (c.control.addressSpace != 0 && (addressSanitized() || testingAnotherBuild())) continue;
        TestDir out(c.tmpfsOptions, c.mountFlags);
        if (c.tmpfsOptions != nullptr && !out.mounted) GTEST_SKIP() << "cannot mount a tmpfs (the test needs root)";
        std::vector<std::string> args = {"-.", "app"};
        if (c.tmpfsOptions != nullptr) args.insert(args.begin() + 1, {"-o", out / "app"});
        if (c.binary) args.insert(args.begin(), "-B");
        std::string message = c.message;
        if (message.find('@') != std::string::npos) message.replace(message.find('@'), 1, out.path);
        const RunResult result = runRomcast(args, c.inputs, c.control);
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error(message));
        EXPECT_TRUE(result.files.empty() && result.removed.empty() && out.count() == 0) << describeRun(result);
    }
}

// A write of an output that fails part way, if only for a moment, or that
// writes part of its bytes ends the run with the output's name, and nothing of
// it stays. The faults are preloaded between romcast and the C library.
TEST(Faults, WritesThatFailPartWayEndTheRun) {
    const std::string preload = std::string("LD_PRELOAD=") + ROMCAST_FAILING_WRITE;
    const struct {
        const char *fault;  // ROMCAST_WRITE_FAULT; nullptr: the output is /dev/full
        bool binary;
        const char *message;
    } cases[] = {
        {"fail:200000", false, "Can't close file 'app.mot'"},
        {"short:200000", true, "Can't close file 'app.bin'"},
        {"sync", false, "Can't close file 'app.mot'"},
        {nullptr, false, "Can't close file 'full.mot'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault != nullptr ? c.fault : "/dev/full");
        // romcast.exe writes through the Windows API, not the C library's write.
        if (c.fault != nullptr && testingAnotherBuild()) continue;
        std::vector<std::string> args = {"-.", "app"};
        if (c.binary) args.insert(args.begin(), "-B");
        if (c.fault == nullptr) args.insert(args.begin(), {"-o", "full.mot"});
        RunControl control;
        if (c.fault != nullptr) control.environment = {preload, std::string("ROMCAST_WRITE_FAULT=") + c.fault};
        const RunResult result = runRomcast(args, bigInput(), control, {{"full.mot", "/dev/full"}});
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error(c.message));
        EXPECT_TRUE(result.files.empty()) << describeRun(result);
    }
}

// A run started with some of its standard descriptors closed gives the image of
// any other run: no output takes the number and the console text with it (the
// banner and enough progress to fill the console's buffer while it is written).
TEST(Faults, ClosedStandardDescriptorsTakeNoConsoleText) {
    const std::vector<InputFile> &inputs = bigInput();
    RunResult usual = runRomcast({"-B", "app"}, inputs);
    ASSERT_EQ(usual.files.size(), 1u) << describeRun(usual);
    // Every choice of them: with 0 and 1 closed the module takes 0, and the
    // image would take 1. Wine started so loses its own connection to its
    // server ("Protocol error ... partial recvmsg") and ends the program
    // part way with status 0: there only one is closed at a time.
    for (unsigned closed = 1; closed < 8; ++closed) {
        SCOPED_TRACE(closed);
        if (testingAnotherBuild() && (closed & (closed - 1)) != 0) continue;
        RunResult result = runRomcast({"-B", "app"}, inputs, {.closedDescriptors = closed});
        EXPECT_EQ(result.exitStatus, 0) << describeRun(result);
        EXPECT_EQ(describeDifference("app.bin", usual.files["app.bin"], result.files["app.bin"]), "");
        EXPECT_EQ(result.files.size(), 1u) << describeRun(result);
    }
}

// An interrupt comes twice, 10 ms apart: the second must change nothing. A
// kill leaves only the hidden file being written; the image's name is free.
// Every other signal that ends a process ends a run as the interrupt does, at
// any moment while the image is written.
TEST(Faults, InterruptOrKillDuringALongConversion) {
    std::mt19937 random(std::random_device{}());
    const auto moment = [&] { return std::uniform_int_distribution<std::size_t>(1, 4 << 20)(random); };
    const std::vector<std::string> replacing = {"-.", "-o", "old.mot", "app"};
    const struct {
        RunControl control;
        std::vector<std::string> args;
        std::set<std::string> removed;
    } cases[] = {
        {{.signal = SIGINT, .signalAfterOutput = banner.size() + 1, .signalCount = 2}, {"app"}, {}},
        {{.signal = SIGINT, .signalAfterWritten = 1 << 20, .signalCount = 2}, replacing, {"old.mot"}},
        {{.signal = SIGKILL, .signalAfterWritten = 1 << 20}, replacing, {"old.mot"}},
        {{.signal = SIGTERM, .signalAfterWritten = moment(), .signalCount = 2}, replacing, {"old.mot"}},
        {{.signal = SIGHUP, .signalAfterWritten = moment(), .signalCount = 2}, replacing, {"old.mot"}},
        {{.signal = SIGQUIT, .signalAfterWritten = moment(), .signalCount = 2}, replacing, {"old.mot"}},
        {{.signal = SIGPIPE, .signalAfterWritten = moment(), .signalCount = 2}, replacing, {"old.mot"}},
        {{.signal = SIGXFSZ, .signalAfterWritten = moment(), .signalCount = 2}, replacing, {"old.mot"}},
        {{.fileSize = 1 << 20}, replacing, {"old.mot"}},  // the system's own SIGXFSZ
    };
    ASSERT_FALSE(longModule().empty());
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args) + " signal " + std::to_string(c.control.signal) + " after " +
                     std::to_string(c.control.signalAfterWritten) + " bytes");
        // Wine makes a console event of SIGINT alone.
        if (testingAnotherBuild() && c.control.signal != SIGINT && c.control.signal != SIGKILL) continue;
        RunControl control = c.control;
        // Wine turns each SIGINT into a new thread of the process; one created
        // while the cleaned-up process is ending makes wineserver kill it. The
        // Windows console handler only sets the flag, so one interrupt is enough.
        if (testingAnotherBuild()) control.signalCount = 1;
        const RunResult result = runRomcast(c.args, {{"app.tqx", longModule()}, {"old.mot", "S9030000FC\n"}}, control);
        ASSERT_NE(result.exitStatus, 0) << "the run ended before the signal: make the module bigger";
        const bool killed = control.signal == SIGKILL;
        EXPECT_EQ(result.signal, killed ? SIGKILL : 0);
        EXPECT_EQ(result.exitStatus, killed ? -1 : 1) << describeRun(result);
        EXPECT_EQ(result.removed, c.removed);
        for (const auto &[name, bytes] : result.files) EXPECT_TRUE(killed && name.starts_with(".old.mot.")) << name;
        // The banner at most, then progress characters and nothing else.
        const std::string console = result.out.substr(0, std::min(result.out.size(), banner.size()));
        EXPECT_TRUE(console.empty() || console == banner) << result.out;
        EXPECT_EQ(result.out.find_first_not_of("-*", console.size()), std::string::npos) << result.out;
    }
}

// An interrupt ends a run that waits for a reader of its output pipe at once,
// as it ends any other; the pipe stays.
TEST(Faults, AnInterruptEndsTheWaitForAPipesReader) {
    if (testingAnotherBuild()) GTEST_SKIP() << "a named pipe is a file of this system";
    TestDir dir;
    ASSERT_EQ(mkfifo((dir / "app.mot").c_str(), 0666), 0);
    writeFileBytes(dir / "app.tqx", caseModule("writing/oneSectionSRecord"));
    const RunResult result = runRomcast({"-o", dir / "app.mot", dir / "app"}, {},
                                        {.timeLimit = 20, .signal = SIGINT, .signalAfterSeconds = 0.5});
    EXPECT_EQ(result.exitStatus, 1) << describeRun(result);
    EXPECT_EQ(dir.count(), 2u);
}

// An image name that is a hard link to the module is refused before anything is
// written, the module untouched (the other ways of naming it are case folders).
TEST(Outputs, TheInputIsNeverAnOutputEvenThroughAHardLink) {
    TestDir dir;
    const std::string module = caseModule("writing/oneSectionSRecord");
    writeFileBytes(dir / "app.tqx", module);
    fs::create_hard_link(dir / "app.tqx", dir / "app.bin");
    const RunResult result = runRomcast({"-.", "-B", dir / "app"});
    EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
    EXPECT_EQ(result.out, error("Can't create file '" + (dir / "app.bin") + "'"));
    EXPECT_EQ(readFileBytes(dir / "app.tqx"), module);
    EXPECT_EQ(dir.count(), 2u);
}

// An output named by a symbolic link replaces the link's target, which is never
// deleted, and the link stays.
TEST(Outputs, AnOutputNamedByALinkReplacesItsTarget) {
    RunResult result = runRomcast({"-.", "app"},
                                        {{"app.tqx", caseModule("writing/oneSectionSRecord")},
                                         {"images/app.mot", "S9030000FC\n"}},
                                        {}, {{"app.mot", "images/app.mot"}});
    EXPECT_EQ(result.exitStatus, 0) << describeRun(result);
    EXPECT_EQ(result.files.size(), 1u) << describeRun(result);
    EXPECT_TRUE(result.files["images/app.mot"].starts_with("S0030000FC\n")) << describeRun(result);
}

// A device is written in place and never deleted, whatever the run's end. A
// new image gets the permissions that creating it under its own name gives; a
// replaced one keeps its own.
TEST(Outputs, DevicesWrittenInPlaceImagesGetTheModeOfACreate) {
    TestDir dir;
    if (mknod((dir / "image.mot").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node (the test needs root)";
    const mode_t mask = umask(0);
    umask(mask);
    const struct {
        const char *module, *output;
        mode_t before;  // the mode the output is given before the run; 0: as it is
        int status;
        mode_t after;
    } cases[] = {
        {"writing/oneSectionSRecord", "image.mot", 0, 0, S_IFCHR | (0666 & ~mask)},
        {"reading/noDataSizeZero", "image.mot", 0, 3, S_IFCHR | (0666 & ~mask)},
        {"writing/oneSectionSRecord", "app.mot", 0, 0, S_IFREG | (0666 & ~mask)},
        {"writing/oneSectionSRecord", "app.mot", 0600, 0, S_IFREG | 0600},
        {"writing/oneSectionSRecord", "app.mot", 0664, 0, S_IFREG | 0664},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.output << " " << std::oct << c.before);
        writeFileBytes(dir / "app.tqx", caseModule(c.module));
        // A Windows file has no permission bits for its replacement to keep.
        if (c.before != 0 && testingAnotherBuild()) continue;
        if (c.before != 0) {
            ASSERT_EQ(chmod((dir / c.output).c_str(), c.before), 0);
        }
        EXPECT_EQ(runRomcast({"-.", "-o", dir / c.output, dir / "app"}).exitStatus, c.status);
        struct stat output {};
        ASSERT_EQ(stat((dir / c.output).c_str(), &output), 0);
        EXPECT_EQ(output.st_mode, c.after);
        EXPECT_EQ(dir.count(), c.after & S_IFCHR ? 2u : 3u);
    }
}

// An existing output that this user could not open for writing is refused
// before anything is written, though the directory would let a new file take
// its name: the user's own read-only file, another user's file in a directory
// of a group the user is in.
TEST(Outputs, OutputsThisUserCannotWriteAreRefused) {
    // Windows refuses a read-only file to every user, the root of Wine's host
    // included; here the runs are another user's, which takes root to start.
    const bool windows = testingAnotherBuild();
    if (!windows && geteuid() != 0) GTEST_SKIP() << "the test needs root to run romcast as other users";
    constexpr uid_t user = 65534;
    constexpr gid_t group = 65534;
    const struct {
        uid_t directoryOwner;
        mode_t directoryMode;
        uid_t imageOwner;
        mode_t imageMode;
    } cases[] = {
        {user, 0755, user, 0444},
        {0, 0775, 0, 0644},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "image " << c.imageOwner << " " << std::oct << c.imageMode);
        if (windows && (c.imageMode & 0200) != 0) continue;  // no owners there
        TestDir dir;
        writeFileBytes(dir / "app.tqx", caseModule("writing/oneSectionSRecord"));
        writeFileBytes(dir / "app.mot", "S9030000FC\n");
        ASSERT_EQ(chown(dir.path.c_str(), c.directoryOwner, group) | chmod(dir.path.c_str(), c.directoryMode) |
                      chown((dir / "app.mot").c_str(), c.imageOwner, group) |
                      chmod((dir / "app.mot").c_str(), c.imageMode),
                  0);
        std::vector<std::string> args = {"-.", dir / "app"};
        if (!windows) args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", ROMCAST_BINARY});
        const RunResult result = windows ? runRomcast(args) : runProgram("/usr/bin/setpriv", args);
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error("Can't create file '" + (dir / "app.mot") + "'"));
        EXPECT_EQ(readFileBytes(dir / "app.mot"), "S9030000FC\n");
        EXPECT_EQ(dir.count(), 2u);
    }
}

// Runs of the library in threads beside one that creates files: each file it
// creates gets the mode that the umask gives, as no run changes the umask.
// The first progress mark comes once the module is read and before the outputs
// take their names: a byte added to the input there makes it no module.
TEST(Outputs, NothingFromAnInputChangedWhileConverting) {
    TestDir dir;
    writeFileBytes(dir / "app.tqx", bigInput()[0].bytes);
    struct Touch {
        std::string input;
        bool done = false;
    } touch{dir / "app.tqx"};
    cookie_io_functions_t io{};
    io.write = [](void *cookie, const char *text, std::size_t size) -> ssize_t {
        auto &touch = *static_cast<Touch *>(cookie);
        if (!touch.done && std::memchr(text, '-', size) != nullptr) {
            std::FILE *input = std::fopen(touch.input.c_str(), "ab");
            touch.done = input != nullptr && std::fputc(0xE1, input) != EOF && std::fclose(input) == 0;
        }
        return static_cast<ssize_t>(size);
    };
    std::FILE *console = fopencookie(&touch, "w", io);
    ASSERT_NE(console, nullptr);
    const int status = romcast::run({dir / "app"}, console);
    std::fclose(console);
    ASSERT_TRUE(touch.done) << "no progress mark";
    EXPECT_EQ(status, 3);
    EXPECT_FALSE(fs::exists(dir / "app.mot"));
    EXPECT_EQ(dir.count(), 1u);
}

TEST(Outputs, RunsInThreadsLeaveTheUmaskAlone) {
    TestDir dir("size=4m");  // where it can be: without the sync, many more runs in the time
    writeFileBytes(dir / "app.tqx", caseModule("writing/oneSectionSRecord"));
    const mode_t mask = umask(022);
    std::atomic<int> running = 2, failed = 0;
    const auto convert = [&](const std::string &output) {
        std::FILE *console = std::fopen("/dev/null", "w");
        for (int i = 0; i < 3000; ++i) failed += romcast::run({"-.", "-o", dir / output, dir / "app"}, console) != 0;
        std::fclose(console);
        --running;
    };
    std::thread first(convert, "first"), second(convert, "second");
    int created = 0, wrong = 0;
    for (const std::string probe = dir / "probe"; running > 0; ++created) {
        const int descriptor = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        struct stat made {};
        if (descriptor < 0 || fstat(descriptor, &made) != 0 || (made.st_mode & 0777) != 0644) ++wrong;
        close(descriptor);
        unlink(probe.c_str());
    }
    first.join();
    second.join();
    EXPECT_EQ(umask(mask), 022);  // two runs that each set and restore it can leave it cleared
    EXPECT_EQ(wrong, 0) << "of " << created << " files";
    EXPECT_EQ(failed, 0);
}

}  // namespace
