// Malformed modules made systematically from a sound one: every prefix, and every
// header byte replaced. Each run must end cleanly, with an error status and no
// output left behind, or succeed; never with a signal.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

const char soundModule[] = R"(MB "TQ40" "app"
AD 8 4 @M
ASW 1 $env
ASW 2 $sections
ASW 5 $data
ASW 6 $trailer
$env:
NN 1 "app"
ATN 0 0 38 1
$sections:
ST 1 @AP "code"
SA 1 2
ASS 1 8
ASL 1 0x1000
$data:
SB 1
ASP 1 0x1000
LD 01 02 03 04
RE 2
LD 05 06
$trailer:
ASG 0x1000
ME
)";

void expectCleanEnd(const std::string &module, const std::string &what) {
    const RunResult result = runRomcast({"-.", "app"}, {{"app.tqx", module}});
    EXPECT_EQ(result.signal, 0) << what << describeRun(result);
    EXPECT_TRUE(result.err.empty()) << what;
    if (result.exitStatus != 0) {
        EXPECT_TRUE(result.exitStatus == 3 || result.exitStatus == 4) << what << describeRun(result);
        EXPECT_TRUE(result.files.empty()) << what << describeRun(result);
    }
}

TEST(MalformedModule, EveryPrefixEndsCleanly) {
    const std::string module = assembleModule(soundModule);
    ASSERT_FALSE(module.empty());
    for (std::size_t length = 0; length < module.size(); ++length)
        expectCleanEnd(module.substr(0, length), "prefix of " + std::to_string(length) + " bytes");
}

TEST(MalformedModule, EveryHeaderByteAlteredEndsCleanly) {
    const std::string module = assembleModule(soundModule);
    const std::size_t headerEnd = module.find("\xF1\xCE") + 6;  // through ATN 38
    for (std::size_t at = 0; at < headerEnd; ++at) {
        for (int replacement : {0x00, 0x80, 0xDF, 0xFF}) {
            std::string altered = module;
            altered[at] = static_cast<char>(replacement);
            expectCleanEnd(altered, "byte " + std::to_string(at) + " = " + std::to_string(replacement));
        }
    }
}

}  // namespace
