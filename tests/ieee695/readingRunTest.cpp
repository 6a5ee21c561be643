// Whole runs over malformed modules made systematically from a sound one.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"
#include "ieee695/readerTestSupport.h"

namespace {

std::string soundModule() {
    return assembleModule(moduleText({.partOffsets = "ASW 6 $trailer\nASW 2 $sections\nASW 5 $data\nASW 1 $env\n",
                                      .sections = "ST 1 @AP \"code\"\nSA 1 2\nASS 1 8\nASL 1 0x1000\n"
                                                  "ST 2 @AR \"data\"\nSA 2 2\nASS 2 4\nASL 2 0x0800\n",
                                      .data = "SB 1\nASP 1 0x1004\nLD 05 06 07 08\nASP 1 0x1000\nLD 01 02 03 04\n"
                                              "SB 2\nASP 2 0x0800\nRE 2\nLD AA BB\n"}));
}

// A run ends with an error status and nothing left behind, or succeeds; never
// with a signal.
void expectCleanEnd(const std::string &module, const std::string &what) {
    const RunResult result = runRomcast({"-.", "app"}, {{"app.tqx", module}});
    EXPECT_EQ(result.signal, 0) << what << describeRun(result);
    EXPECT_TRUE(result.err.empty()) << what;
    if (result.exitStatus == 0) return;
    EXPECT_TRUE(result.exitStatus == 3 || result.exitStatus == 4) << what << describeRun(result);
    EXPECT_TRUE(result.files.empty()) << what << describeRun(result);
}

TEST(ReadingRun, EveryPrefixAndEveryAlteredHeaderByteEndCleanly) {
    const std::string module = soundModule();
    ASSERT_FALSE(module.empty());
    for (std::size_t length = 0; length < module.size(); ++length)
        expectCleanEnd(module.substr(0, length), "prefix of " + std::to_string(length) + " bytes");
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
