// Inputs that ask for more than a module can mean, or that are no module file
// at all: each ends in bounded time and memory, with its documented status,
// and leaves nothing behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

// `sections` sections of index 1 and `units` units of it, all at 0: the first
// loads a byte, the others nothing. Every unit belongs to every section.
std::string sharedIndexModule(int sections, int units) {
    std::string text = "MB \"TQ40\" \"app\"\nAD 8 4 @M\nASW 1 $env\nASW 2 $sections\nASW 5 $data\nASW 6 $trailer\n"
                       "$env:\nNN 1 \"app\"\nATN 0 0 38 1\n$sections:\n";
    for (int i = 0; i < sections; ++i) text += "ST 1 @AP \"P\"\nSA 1 2\nASS 1 16\nASL 1 0\n";
    text += "$data:\nASP 1 0\nLD AA\n";
    for (int i = 1; i < units; ++i) text += "ASP 1 0\n";
    return assembleModule(text + "$trailer:\nASG 0\nME\n");
}

TEST(HostileInputs, BoundedWorkAndMemory) {
    const TestDir scratch;
    const std::string fifo = scratch / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<InputFile> shared = {{"app.tqx", sharedIndexModule(4000, 4000)}};
    const std::string illegal = banner + "Error (romcast): Illegal file format `app.tqx' is used\n";
    const struct {
        const char *what;
        std::vector<InputFile> inputs;
        LinkList links;
        RunControl control;
        int status;
        const char *out;  // nullptr: not compared
    } rows[] = {
        // Sixteen million (unit, section) pairs in a module of 100 KB.
        {"4000 sections sharing the index of 4000 units", shared, {}, {.timeLimit = 60, .addressSpace = 96ul << 20}, 0,
         nullptr},
        {"/dev/zero named as the module", {}, {{"app.tqx", "/dev/zero"}}, {.timeLimit = 10, .addressSpace = 96ul << 20},
         3, illegal.c_str()},
        {"/dev/urandom named as the module", {}, {{"app.tqx", "/dev/urandom"}},
         {.timeLimit = 10, .addressSpace = 96ul << 20}, 3, illegal.c_str()},
        {"a FIFO that no program writes, interrupted", {}, {{"app.tqx", fifo}},
         {.timeLimit = 10, .signal = SIGINT, .signalAfterSeconds = 0.3}, 1, banner.c_str()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        if (testingAnotherBuild() && !row.links.empty()) continue;  // no such devices on Windows
        RunControl control = row.control;
        if (addressSanitized() || testingAnotherBuild()) control.addressSpace = 0;
        const RunResult result = runRomcast({"app"}, row.inputs, control, row.links);
        ASSERT_FALSE(result.timedOut) << describeRun(result);
        EXPECT_EQ(result.exitStatus, row.status) << describeRun(result);
        if (row.out != nullptr) {
            EXPECT_EQ(result.out, row.out);
        }
        EXPECT_TRUE(row.status == 0 || result.files.empty()) << describeRun(result);
    }
}

// The tools on the same inputs: an error and their documented status.
TEST(HostileInputs, ToolsEndWithAnError) {
    const struct {
        const char *tool;
        std::vector<std::string> args;
        int status;
        const char *err;
    } rows[] = {
        {ROMCAST_MODINSPECT, {"app.tqx"}, 2, "modinspect: not enough memory for 'app.tqx'\n"},
        {ROMCAST_MODINSPECT, {"dir"}, 2, "modinspect: can't read 'dir'\n"},
        {ROMCAST_MODASM, {"app.tqx", "out.tqx"}, 1, "modasm: not enough memory\n"},
        {ROMCAST_MODASM, {"dir", "out.tqx"}, 1, "modasm: can't read 'dir'\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        // Without a memory limit /dev/zero would be read up to 4 GiB.
        if (testingAnotherBuild() || (addressSanitized() && row.args[0] == "app.tqx")) continue;
        const RunResult result = runProgram(row.tool, row.args, {{"dir/keep", ""}},
                                            {.timeLimit = 20, .addressSpace = addressSanitized() ? 0 : 96ul << 20},
                                            {{"app.tqx", "/dev/zero"}});
        EXPECT_EQ(result.exitStatus, row.status) << describeRun(result);
        EXPECT_EQ(result.err, row.err);
        EXPECT_FALSE(result.files.contains("out.tqx"));
    }
}

}  // namespace
