// Whole runs over a sound module: which files a run leaves, by options and mode.
// Their contents belong to the writers' tests.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

std::string moduleText(const std::string &processor) {
    return "MB \"" + processor + R"(" "app"
AD 8 4 @M
ASW 6 $trailer
ASW 2 $sections
ASW 5 $data
ASW 1 $env
ASW 2 $sections
$env:
NN 1 "app"
ATN 0 0 37 5
ATN 0 0 38 1
$sections:
ST 1 @AP "code"
SA 1 2
ASS 1 8
ASL 1 0x1000
ST 2 @AR "data"
SA 2 2
ASS 2 4
ASL 2 0x0800
$data:
SB 1
ASP 1 0x1004
LD 05 06 07 08
ASP 1 0x1000
LD 01 02 03 04
SB 2
ASP 2 0x0800
RE 2
LD AA BB
$trailer:
ASG 0x1000
ME
)";
}

std::set<std::string> filesLeft(const RunResult &result) {
    std::set<std::string> names;
    for (const auto &[name, bytes] : result.files) names.insert(name);
    return names;
}

TEST(ReadingRun, OutputsOfASoundModule) {
    using Names = std::set<std::string>;
    const struct {
        std::string processor;
        std::string input;  // where the module lies
        std::vector<std::string> args;
        Names files;
    } cases[] = {
        {"TQ40", "app.tqx", {"app"}, {"app.mot"}},
        {"TQ40", "app.tqx", {"-H", "app.tqx"}, {"app.hex"}},
        {"TQ40", "app.tqx", {"+debug", "app"}, {"app.mot", "app.dbg"}},
        {"TQ40", "app.tqx", {"-B", "-o", "out.hex", "app"}, {"out.hex"}},
        {"TQ40", "work/app.tqx", {"-o", "out", "work/app"}, {"work/out.mot"}},
        {"TQ40", "work/app.tqx", {"-o", "sub/out.s", "work/app"}, {"sub/out.s"}},
        {"TQ40/51X", "app.tqx", {"app"}, {"app.mcd", "app.mdt"}},
        {"TQ40", "app.tqx", {"+d51x", "-H", "-o", "two", "app"}, {"two.hcd", "two.hdt"}},
    };
    for (const auto &c : cases) {
        const std::string module = assembleModule(moduleText(c.processor));
        // "sub" exists for an output named into it.
        const RunResult result = runRomcast(c.args, {{c.input, module}, {"sub/.keep", ""}});
        EXPECT_EQ(result.exitStatus, 0) << describeRun(result);
        EXPECT_EQ(filesLeft(result), c.files) << describeRun(result);
        EXPECT_EQ(result.out.rfind("Object Image Converter (romcast)", 0), 0u);
    }
}

}  // namespace
