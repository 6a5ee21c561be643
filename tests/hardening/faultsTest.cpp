// Faults end to end: a full or unwritable output directory, an unreadable
// input, exhausted memory, an interrupt or a kill in the middle of a long run,
// and an output name that is the input module itself. After a failure no image
// or listing exists under its name, and no temporary file stays.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "hardening/faultSupport.h"

namespace fs = std::filesystem;

namespace {

const char banner[] =
    "Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n\n";

// A module whose conversion takes about a second: two million units of one
// byte each, 30 MB of S-records.
const std::string &longModule() {
    static const std::string module = moduleWithUnits(byteUnits(), 2);
    return module;
}

bool builtWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

TEST(Faults, FullOrUnwritableOutputDirectory) {
    const std::string module = moduleWithUnits(loadingUnit(256), 1);  // 700 KB of S-records
    ASSERT_FALSE(module.empty());
    const struct {
        const char *label;
        const char *tmpfsOptions;
        unsigned long flags;
        std::vector<std::string> options;
        const char *message;  // with the output's name
    } cases[] = {
        {"full", "size=64k", 0, {}, "Can't close file '%s'"},
        {"full, binary", "size=64k", 0, {"-B"}, "Can't close file '%s'"},
        {"no inode left", "size=1m,nr_inodes=1", 0, {}, "Can't create file '%s'"},
        {"read-only", "size=1m", MS_RDONLY, {}, "Can't create file '%s'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        TestDir out(c.tmpfsOptions, c.flags);
        if (!out.mounted) GTEST_SKIP() << "cannot mount a tmpfs (the fault tests need root)";
        std::vector<std::string> args = c.options;
        const std::string image = out / "app";
        args.insert(args.end(), {"-.", "-o", image, "app"});
        const RunResult result = runRomcast(args, {{"app.tqx", module}});
        const std::string name = image + (c.options.empty() ? ".mot" : ".bin");
        char message[512];
        std::snprintf(message, sizeof message, c.message, name.c_str());
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error(message));
        EXPECT_TRUE(out.entries().empty()) << out.entries().front();
    }
}

TEST(Faults, InputThatCannotBeRead) {
    TestDir dir;
    ASSERT_FALSE(dir.path.empty());
    fs::create_directory(dir / "folder.tqx");
    std::vector<std::string> inputs = {dir / "folder.tqx"};
    if (geteuid() != 0) {  // root reads a file whatever its permissions
        writeBytes(dir / "locked.tqx", longModule().substr(0, 100));
        fs::permissions(dir / "locked.tqx", fs::perms::none);
        inputs.push_back(dir / "locked.tqx");
    }
    for (const std::string &input : inputs) {
        const RunResult result = runRomcast({"-.", input}, {});
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error("Can't open file '" + input + "'"));
    }
}

TEST(Faults, MemoryRunsOut) {
    if (builtWithAddressSanitizer()) GTEST_SKIP() << "the address sanitizer needs more address space than any limit leaves";
    // A million units of four bytes each: their trees need far more than the
    // 24 MB of address space, of which the program itself takes a third.
    const std::string module = moduleWithUnits(std::string("\xE2\xD0\x01\x00", 4), 1000000);
    RunControl control;
    control.addressSpace = 24ul << 20;
    const RunResult result = runRomcast(control, {"-.", "app"}, {{"app.tqx", module}});
    EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
    EXPECT_EQ(result.out, error("Not enough memory"));
    EXPECT_TRUE(result.files.empty()) << describeRun(result);
}

// Each interrupt comes twice, 10 ms apart: the second must change nothing.
TEST(Faults, InterruptDuringALongConversion) {
    const struct {
        const char *label;
        std::vector<std::string> args;
        std::size_t afterOutput;   // bytes on the console before the interrupt
        std::size_t afterWritten;  // or bytes in files
        std::set<std::string> removed;
    } cases[] = {
        {"while reading", {"app"}, sizeof banner, 0, {}},
        {"while writing", {"-.", "app"}, 0, 1 << 20, {}},
        {"while writing over an older image", {"-.", "-o", "old.mot", "app"}, 0, 1 << 20, {"old.mot"}},
    };
    ASSERT_FALSE(longModule().empty());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        RunControl control;
        control.signal = SIGINT;
        control.signalCount = 2;
        control.signalAfterOutput = c.afterOutput;
        control.signalAfterWritten = c.afterWritten;
        const RunResult result = runRomcast(control, c.args, {{"app.tqx", longModule()}, {"old.mot", "S9030000FC\n"}});
        ASSERT_NE(result.exitStatus, 0) << "the run ended before the interrupt: make the module bigger";
        EXPECT_EQ(result.exitStatus, 1) << describeRun(result);
        // The banner at most, then progress characters and nothing else.
        const std::string console = result.out.substr(0, std::min(result.out.size(), sizeof banner - 1));
        EXPECT_TRUE(console.empty() || console == banner) << result.out;
        EXPECT_EQ(result.out.find_first_not_of("-*", console.size()), std::string::npos) << result.out;
        EXPECT_TRUE(result.files.empty()) << describeRun(result);
        EXPECT_EQ(result.removed, c.removed);
    }
}

TEST(Faults, KillWhileWritingLeavesNoImage) {
    ASSERT_FALSE(longModule().empty());
    RunControl control;
    control.signal = SIGKILL;
    control.signalAfterWritten = 1 << 20;
    const RunResult result = runRomcast(control, {"-.", "app"}, {{"app.tqx", longModule()}, {"app.mot", "S9030000FC\n"}});
    ASSERT_EQ(result.signal, SIGKILL) << "the run ended before the kill: make the module bigger";
    // Only the hidden file being written stays; the image's name is free.
    EXPECT_EQ(result.removed, std::set<std::string>{"app.mot"});
    for (const auto &[name, bytes] : result.files) EXPECT_TRUE(name.starts_with(".app.mot.")) << name;
}

}  // namespace
