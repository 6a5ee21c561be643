// What the end-to-end cases under idcode/ leave out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/runSettings.h"
#include "e2e/harness.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/readerTestSupport.h"
#include "security/moduleIdSettings.h"
#include "security/securityOptions.h"

namespace {

using IdBytes = std::array<std::uint32_t, idByteCount>;

std::string directory;
std::string output;  // settings.outputName points into it

// An environment part (at offset 0) of a name record, `attributes` and ME.
void startScan(const std::string &attributes) {
    char dir[] = "/tmp/modidXXXXXX";
    directory = mkdtemp(dir);
    output = directory + "/app";
    startReading(assembleModule("NN 1 \"app\"\n" + attributes + "ME\n"));
    initSecurityDefaults();
    settings.outputName = output.c_str();
    moduleParts = {};
}

void endScan() {
    if (settings.idReportFile != nullptr) std::fclose(settings.idReportFile);
    settings.idReportFile = nullptr;
    std::remove((output + ".id").c_str());
    rmdir(directory.c_str());
    finishReading();
}

// Runs the scan and returns what it printed.
std::string scan() {
    testing::internal::CaptureStdout();
    readModuleIdSettings();
    std::string console = testing::internal::GetCapturedStdout();
    endScan();
    return console;
}

std::string idTexts(const std::vector<std::string> &texts) {
    std::string lines;
    for (const std::string &text : texts) lines += "ATN 0 0 55 \"" + text + "\"\n";
    return lines;
}

const std::uint32_t idFlags = flag::idCode | flag::protectDefault;
const std::uint32_t securityFlags = idFlags | flag::protect1 | flag::protect2 | flag::protectX |
                                    flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;

TEST(ModuleIdSettings, TextsTakeThePlaceOfTheCommandLine) {
    const struct {
        std::vector<std::string> texts;
        std::uint32_t optionFlags;  // the command line's security flags
        const char *warnings;
        std::uint32_t flags;  // security flags afterwards
        IdBytes bytes;
        std::uint32_t protect;
    } cases[] = {
        {{".ID #0123456789abCD"}, 0, "", idFlags, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}, 0xFF},
        {{".ID #A"}, 0, "", idFlags, {0xA0}, 0xFF},
        {{".ID #"}, 0, "", idFlags, {}, 0xFF},
        {{".ID ABCDEFGHI"}, 0, "", idFlags, {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}, 0xFF},
        {{"REV.F1", ".PROTECT a5x", ".ID #7"}, flag::idCode | flag::protectX,
         "Warning (romcast): '-ID' option isn't processed\n"
         "Warning (romcast): '-protect' or '-ofsreg' option isn't processed\n",
         flag::idCode | flag::protectX, {0x70}, 0xA5},
        {{".ID A", ".ID B"}, 0, "", idFlags, {0x42}, 0xFF},  // the later text wins
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.texts));
        startScan(idTexts(c.texts));
        settings.flags |= c.optionFlags;
        settings.protectValue = 0x12;
        if ((c.optionFlags & flag::idCode) != 0) std::fill_n(settings.idBytes, idByteCount, 0xFFu);
        EXPECT_EQ(scan(), c.warnings);
        EXPECT_EQ(settings.flags & (securityFlags | flag::tq8Target), c.flags);
        IdBytes bytes;
        std::copy_n(settings.idBytes, idByteCount, bytes.begin());
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(settings.protectValue, c.protect);
        EXPECT_STREQ(settings.idText, c.texts.back().c_str() + 4);
    }
}

TEST(ModuleIdSettings, AttributeThatIsNoNameIsIgnoredAndNotCounted) {
    // Value runs that open with an operator, with a letter, and an empty one.
    startScan("ATN 0 0 55 <A0>\nATN 0 0 55 @A\nATN 0 0 55\n" + idTexts({"REV.F", "REV.F", ".ID Z"}));
    EXPECT_EQ(scan(), "");
    EXPECT_EQ(settings.moduleIdState, 1u);
    EXPECT_EQ(settings.idBytes[0], 0x5Au);
}

TEST(ModuleIdSettings, MalformedEnvironmentsAreIllegal) {
    const std::string malformed[] = {
        idTexts({".ID # 1"}), idTexts({".PROTECT "}), idTexts({".PROTECT G1"}),
        "ATN 0 0 55 \"a\"*256\n",
        "ATN 0 0 55 <10 2E 49 44>\n",  // a name that claims more bytes than its record holds
    };
    for (const std::string &attributes : malformed) {
        startScan(attributes);
        EXPECT_RUN_ENDS(readModuleIdSettings(), 3, "Illegal file format `app.tqx' is used") << attributes;
        endScan();
    }
    startReading(assembleModule("MB \"TQ40\" \"app\"\n"));  // no name record
    EXPECT_RUN_ENDS(readModuleIdSettings(), 3, "Illegal file format `app.tqx' is used");
    finishReading();
}

}  // namespace
