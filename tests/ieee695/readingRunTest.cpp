// Whole runs: which files a run over a sound module leaves, by options and mode
// (their contents belong to the writers' tests). Malformed modules made from
// every module of the suite are in tests/hardening/sweepTest.cpp.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "ieee695/readerTestSupport.h"

namespace {

std::string soundModule(const char *processor) {
    return assembleModule(moduleText({.processor = processor,
                                      .partOffsets = "ASW 6 $trailer\nASW 2 $sections\nASW 5 $data\nASW 1 $env\n",
                                      .sections = "ST 1 @AP \"code\"\nSA 1 2\nASS 1 8\nASL 1 0x1000\n"
                                                  "ST 2 @AR \"data\"\nSA 2 2\nASS 2 4\nASL 2 0x0800\n",
                                      .data = "SB 1\nASP 1 0x1004\nLD 05 06 07 08\nASP 1 0x1000\nLD 01 02 03 04\n"
                                              "SB 2\nASP 2 0x0800\nRE 2\nLD AA BB\n"}));
}

std::set<std::string> filesLeft(const RunResult &result) {
    std::set<std::string> names;
    for (const auto &entry : result.files) names.insert(entry.first);
    return names;
}

TEST(ReadingRun, OutputsOfASoundModule) {
    using Names = std::set<std::string>;
    const struct {
        const char *processor;
        const char *input;  // where the module lies
        std::vector<std::string> args;
        Names files;
    } cases[] = {
        {"TQ40", "app.tqx", {"app"}, {"app.mot"}},
        {"TQ40", "app.tqx", {"-H", "app.tqx"}, {"app.hex"}},
        {"TQ40", "app.tqx", {"-B", "app"}, {"app.bin"}},
        {"TQ40", "app.tqx", {"+debug", "app"}, {"app.mot", "app.dbg"}},
        {"TQ40", "app.tqx", {"+debug", "-o", "image.mot", "app"}, {"image.mot", "image.mot.dbg"}},
        {"TQ40", "app.tqx", {"-B", "-o", "out.hex", "app"}, {"out.hex"}},
        {"TQ40", "work/app.tqx", {"-o", "out", "work/app"}, {"work/out.mot"}},
        {"TQ40", "work/app.tqx", {"-o", "sub/out.s", "work/app"}, {"sub/out.s"}},
        {"TQ40/51X", "app.tqx", {"app"}, {"app.mcd", "app.mdt"}},
        {"TQ40", "app.tqx", {"+d51x", "-H", "+debug", "-o", "two", "app"}, {"two.hcd", "two.hdt", "two.dbg"}},
    };
    for (const auto &c : cases) {
        // "sub" exists for an output named into it.
        const RunResult result = runRomcast(c.args, {{c.input, soundModule(c.processor)}, {"sub/.keep", ""}});
        EXPECT_EQ(result.exitStatus, 0) << describeRun(result);
        EXPECT_EQ(filesLeft(result), c.files) << describeRun(result);
    }
}

}  // namespace
