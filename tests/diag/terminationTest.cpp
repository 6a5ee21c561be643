// The error path with real files: what an ending closes, removes and keeps, what
// it prints and with which status. Each ending runs in a death-test child whose
// console goes to a file; the parent then looks at the files the child left.
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
#include "ieee695/recordReader.h"

namespace fs = std::filesystem;

namespace {

enum Ending { fatal, outputCloseFails, inputCloseFails, interruptAtTick, interruptAtCheck, interruptAtRecord };

// Each run starts with the banner shown unless `flags` lacks bannerShown; the
// console's "{B}" stands for the banner. Every error is "no data" for "a".
const struct EndCase { const char *label; std::uint32_t flags; Ending ending; int status; const char *console; }
endCases[] = {
    // The output named but not opened by a dual-area run is not ours to remove.
    {"everything", flag::bannerShown | flag::dualArea | flag::debugListing | flag::idCode, fatal, 3,
     "Error (romcast): The data to output in a doesn't exist\n"},
    {"banner not yet shown", flag::idCode, fatal, 3, "{B}Error (romcast): The data to output in a doesn't exist\n"},
    {"banner not yet shown, quiet", flag::quiet, fatal, 3, "Error (romcast): The data to output in a doesn't exist\n"},
    // A failed close is reported, and the output whose close failed still removed.
    {"output close fails", flag::bannerShown | flag::dualArea, outputCloseFails, 2,
     "Error (romcast): Can't close file 'app_c.mot'\n"},
    {"input close fails", flag::bannerShown | flag::debugListing, inputCloseFails, 2,
     "Error (romcast): Can't close file 'app.tqx'\n"},
    // A second interrupt is ignored: one clean-up only, at the next safe point.
    {"interrupt at a tick", flag::bannerShown, interruptAtTick, 1, "still running\n"},
    {"interrupt at a check", flag::bannerShown | flag::debugListing, interruptAtCheck, 1, "still running\n"},
    {"interrupt at a record", flag::bannerShown, interruptAtRecord, 1, "still running\n"},
    {"interrupt before the banner", 0, interruptAtCheck, 1, "still running\n{B}"},
};

const char banner[] = "Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n\n";
std::vector<std::FILE *> opened;

// Creates `leaf` in the current directory; its stream stays open.
void createOpen(std::string &name, std::FILE *&stream, const char *leaf) {
    name = leaf;
    stream = std::fopen(name.c_str(), "w+b");
    ASSERT_NE(stream, nullptr);
    opened.push_back(stream);
}

// A stream whose close fails: its buffered bytes cannot be written. Opened in
// the child, because the death test flushes every stream before it forks.
std::FILE *failingStream() {
    std::FILE *stream = std::fopen("/dev/full", "w");
    if (stream == nullptr) std::_Exit(98);
    std::fputs("pending", stream);
    return stream;
}

// Ends the run as the case says; returning means it did not end.
void end(const EndCase &c) {
    if (c.ending == outputCloseFails) {
        settings.codeOutputFile = failingStream();
        closeAllFiles();
        return;
    }
    if (c.ending == inputCloseFails) settings.inputFile = failingStream();
    if (c.ending <= inputCloseFails) fatalError(err::noData, "a");
    installInterruptHandler();
    std::raise(SIGINT);
    std::raise(SIGINT);
    std::fputs("still running\n", stdout);
    if (c.ending == interruptAtTick) tickProgress();
    else if (c.ending == interruptAtCheck) checkInterrupt();
    else readRecordType(settings.inputFile);
}

TEST(TerminationDeathTest, RemovesWhatTheRunCreatedPrintsOnceAndEnds) {
    // The child must inherit the open streams and the settings as they are.
    GTEST_FLAG_SET(death_test_style, "fast");
    const fs::path home = fs::current_path();
    for (const EndCase &c : endCases) {
        SCOPED_TRACE(c.label);
        if ((c.ending == outputCloseFails || c.ending == inputCloseFails) && !fs::exists("/dev/full")) continue;
        std::string dir = (fs::temp_directory_path() / "romcast-term-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        fs::current_path(dir);
        initRunSettings();
        setFlag(c.flags);
        static std::string inputName;
        createOpen(inputName, settings.inputFile, "app.tqx");
        settings.inputName = inputName.c_str();
        createOpen(settings.outputFileName, settings.outputFile, "app.mot");
        if (hasFlag(flag::dualArea)) {
            settings.outputFile = nullptr;
            createOpen(settings.codeOutputName, settings.codeOutputFile, "app_c.mot");
            createOpen(settings.romdataOutputName, settings.romdataOutputFile, "app_r.mot");
        }
        if (hasFlag(flag::debugListing)) createOpen(settings.debugName, settings.debugFile, "app.dbg");
        if (hasFlag(flag::idCode)) createOpen(settings.idReportName, settings.idReportFile, "app.id");

        std::fflush(stdout);
        EXPECT_EXIT(
            {
                if (std::freopen("console", "w", stdout) == nullptr) std::_Exit(99);
                try {
                    end(c);
                } catch (const RunError &error) {
                    std::exit(finishFailedRun(error));
                }
            },
            testing::ExitedWithCode(c.status), "");
        std::string console = c.console;
        if (const std::size_t at = console.find("{B}"); at != std::string::npos) console.replace(at, 3, banner);
        EXPECT_EQ(readFileBytes("console"), console);
        EXPECT_TRUE(fs::exists("app.tqx"));
        EXPECT_EQ(fs::exists("app.mot"), hasFlag(flag::dualArea));
        for (const char *leaf : {"app_c.mot", "app_r.mot", "app.dbg"}) EXPECT_FALSE(fs::exists(leaf)) << leaf;
        EXPECT_EQ(fs::exists("app.id"), hasFlag(flag::idCode));

        // The parent's copies of the streams; the child already did the real work.
        for (std::FILE *stream : opened) std::fclose(stream);
        opened.clear();
        fs::current_path(home);
        fs::remove_all(dir);
    }
}

}  // namespace
