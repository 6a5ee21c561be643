// The error path with real files: what fatalError closes, removes and keeps,
// what it prints, and how an interrupt ends the run. Each ending runs in a
// death-test child whose console goes to a file; the parent then looks at the
// files the child left.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "diag/console.h"
#include "diag/interrupt.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

const char banner[] =
    "Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n\n";

// A stream whose close fails: its buffered bytes cannot be written. Opened in
// the child, because the death test flushes every stream before it forks.
std::FILE *failingStream() {
    std::FILE *stream = std::fopen("/dev/full", "w");
    if (stream == nullptr) std::_Exit(98);
    std::fputs("pending", stream);
    return stream;
}

bool canFailAClose() { return fs::exists("/dev/full"); }

class Termination : public testing::Test {
protected:
    void SetUp() override {
        // The child must inherit the open streams and the settings as they are.
        GTEST_FLAG_SET(death_test_style, "fast");
        prepare();
    }

    void TearDown() override { cleanUp(); }

    // A fresh directory and fresh settings with the banner already shown.
    void prepare() {
        std::string pattern = (fs::temp_directory_path() / "romcast-term-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        initRunSettings();
        settings.idReportName[0] = '\0';
        settings.idReportFile = nullptr;
        setFlag(flag::bannerShown);
    }

    void cleanUp() {
        // The parent's copies of the streams; the child already did the real work.
        for (std::FILE *stream : opened) std::fclose(stream);
        opened.clear();
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
        dir.clear();
    }

    std::string path(const std::string &leaf) const { return dir + "/" + leaf; }
    bool exists(const std::string &leaf) const { return fs::exists(path(leaf)); }

    // Creates `leaf` with some contents, its stream left open, and its name in
    // `name`.
    void createOpen(char *name, std::FILE *&stream, const std::string &leaf, const char *mode = "w") {
        std::snprintf(name, nameBufferSize, "%s", path(leaf).c_str());
        std::FILE *writing = std::fopen(name, "w");
        ASSERT_NE(writing, nullptr);
        std::fputs("S00600004844521B\n", writing);
        std::fflush(writing);
        stream = writing;
        if (mode[0] == 'r') {
            std::fclose(writing);
            stream = std::fopen(name, mode);
            ASSERT_NE(stream, nullptr);
        }
        opened.push_back(stream);
    }

    void openInput() {
        createOpen(inputName, settings.inputFile, "app.tqx", "rb");
        settings.inputName = inputName;
    }

    // Runs `step` in a child with its console in a file; expects `status`.
    template <typename Step>
    void expectEnd(Step step, int status) {
        std::fflush(stdout);
        const std::string consoleFile = path("console");
        EXPECT_EXIT(
            {
                if (std::freopen(consoleFile.c_str(), "w", stdout) == nullptr) std::_Exit(99);
                step();
            },
            testing::ExitedWithCode(status), "");
        console = readFileBytes(consoleFile);
    }

    std::string dir;
    std::string console;
    char inputName[nameBufferSize] = {};
    std::vector<std::FILE *> opened;
};

struct CleanupCase {
    const char *label;
    std::uint32_t flags;
    bool bannerShown;
};

const CleanupCase cleanupCases[] = {
    {"single area", 0, true},
    {"dual area", flag::dualArea, true},
    {"listing and ID report", flag::debugListing | flag::idCode, true},
    {"everything", flag::dualArea | flag::debugListing | flag::idCode, true},
    {"banner not yet shown", 0, false},
    {"banner not yet shown, quiet", flag::quiet, false},
};

TEST_F(Termination, RemovesTheOutputsItCreatedAndKeepsTheIdReport) {
    for (const CleanupCase &c : cleanupCases) {
        SCOPED_TRACE(c.label);
        cleanUp();
        prepare();
        if (!c.bannerShown) clearFlag(flag::bannerShown);
        setFlag(c.flags);
        openInput();
        if (hasFlag(flag::dualArea)) {
            createOpen(settings.codeOutputName, settings.codeOutputFile, "app_c.mot");
            createOpen(settings.romdataOutputName, settings.romdataOutputFile, "app_r.mot");
            // Named but never opened by this run: not ours to remove.
            createOpen(settings.outputFileName, settings.outputFile, "app.mot");
            settings.outputFile = nullptr;
        } else {
            createOpen(settings.outputFileName, settings.outputFile, "app.mot");
        }
        if (hasFlag(flag::debugListing)) createOpen(settings.debugName, settings.debugFile, "app.dbg");
        if (hasFlag(flag::idCode)) createOpen(settings.idReportName, settings.idReportFile, "app.id");

        expectEnd([] { fatalError(err::noData, "app.tqx"); }, 3);

        const bool bannerExpected = !c.bannerShown && !hasFlag(flag::quiet);
        EXPECT_EQ(console, std::string(bannerExpected ? banner : "") +
                               "Error (romcast): The data to output in app.tqx doesn't exist\n");
        EXPECT_TRUE(exists("app.tqx"));
        EXPECT_EQ(exists("app.mot"), hasFlag(flag::dualArea));
        EXPECT_FALSE(exists("app_c.mot"));
        EXPECT_FALSE(exists("app_r.mot"));
        EXPECT_FALSE(exists("app.dbg"));
        EXPECT_EQ(exists("app.id"), hasFlag(flag::idCode));
    }
}

struct MessageCase {
    int code;
    const char *argument;
    const char *console;
    int status;
};

const MessageCase messageCases[] = {
    {err::usage, "romcast", "Usage: romcast [options] <filename>\n", 4},
    {err::cantOpen, "a.tqx", "Error (romcast): Can't open file 'a.tqx'\n", 2},
    // A text without a placeholder ignores its argument.
    {err::multipleProtect, "-protect1", "Error (romcast): '-protect' or '-ofsreg' option multiple specified\n", 4},
    // A '%' in the argument is printed as it stands.
    {err::invalidOption, "-%s%d", "Error (romcast): Invalid option '-%s%d' is used\n", 4},
    {err::interrupted, nullptr, "", 1},
};

TEST_F(Termination, PrintsOneMessageAndEndsWithItsStatus) {
    for (const MessageCase &c : messageCases) {
        SCOPED_TRACE(c.code);
        expectEnd([&c] { fatalError(c.code, c.argument); }, c.status);
        EXPECT_EQ(console, c.console);
    }
}

TEST_F(Termination, FailedCloseOfAnOutputIsErrorThree) {
    if (!canFailAClose()) GTEST_SKIP() << "no /dev/full";
    openInput();
    std::snprintf(settings.outputFileName, nameBufferSize, "%s", path("app.mot").c_str());
    expectEnd(
        [] {
            settings.outputFile = failingStream();
            closeAllFiles();
        },
        2);
    EXPECT_EQ(console, "Error (romcast): Can't close file '" + path("app.mot") + "'\n");
}

// The clean-up must remove an output even when closing it was what failed.
// Today the failed stream is forgotten before the error path runs, so the file
// stays; enable this once that is fixed.
TEST_F(Termination, OutputWhoseCloseFailedIsStillRemoved) {
    if (!canFailAClose()) GTEST_SKIP() << "no /dev/full";
    openInput();
    std::FILE *created = nullptr;
    createOpen(settings.outputFileName, created, "app.mot");
    expectEnd(
        [] {
            settings.outputFile = failingStream();
            closeAllFiles();
        },
        2);
    EXPECT_FALSE(exists("app.mot"));
}

TEST_F(Termination, FailedCloseOfTheInputReplacesTheErrorAndStillRemovesOutputs) {
    if (!canFailAClose()) GTEST_SKIP() << "no /dev/full";
    settings.inputName = "app.tqx";
    createOpen(settings.outputFileName, settings.outputFile, "app.mot");
    setFlag(flag::debugListing);
    createOpen(settings.debugName, settings.debugFile, "app.dbg");
    expectEnd(
        [] {
            settings.inputFile = failingStream();
            fatalError(err::noData, "app.tqx");
        },
        2);
    EXPECT_EQ(console, "Error (romcast): Can't close file 'app.tqx'\n");
    EXPECT_FALSE(exists("app.mot"));
    EXPECT_FALSE(exists("app.dbg"));
}

struct InterruptCase {
    const char *label;
    void (*safePoint)();
    bool bannerShown;
};

const InterruptCase interruptCases[] = {
    {"progress tick", tickProgress, true},
    {"explicit check", checkInterrupt, true},
    {"before the banner", checkInterrupt, false},
};

TEST_F(Termination, InterruptEndsAtTheNextSafePointWithStatusOne) {
    for (const InterruptCase &c : interruptCases) {
        SCOPED_TRACE(c.label);
        cleanUp();
        prepare();
        if (!c.bannerShown) clearFlag(flag::bannerShown);
        openInput();
        createOpen(settings.outputFileName, settings.outputFile, "app.mot");
        expectEnd(
            [&c] {
                installInterruptHandler();
                std::raise(SIGINT);
                std::raise(SIGINT);  // ignored: one clean-up only
                std::fputs("still running\n", stdout);
                c.safePoint();
            },
            1);
        EXPECT_EQ(console, std::string("still running\n") + (c.bannerShown ? "" : banner));
        EXPECT_TRUE(exists("app.tqx"));
        EXPECT_FALSE(exists("app.mot"));
    }
}

}  // namespace
