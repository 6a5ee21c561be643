// What the end-to-end cases under direct/ leave out: repeat counts, records
// running on across sections, the two warnings, the section bounds, and the
// refusal of malformed section and data parts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "driver/runSettings.h"
#include "e2e/harness.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/readerTestSupport.h"
#include "output/directConvert.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

// ST, SA, ASS and ASL of one section.
std::string section(int index, const char *letters, const char *base, const char *size) {
    const std::string n = std::to_string(index);
    return "ST " + n + " " + letters + " \"S\"\nSA " + n + " 2\nASS " + n + " " + size + "\nASL " + n +
           " " + base + "\n";
}

// Sets the run up as the run sequence leaves it after the header. The trailer
// holds no entry address.
void startRun(const std::string &sections, const std::string &data) {
    startReading(assembleModule(moduleText({.sections = sections, .data = data, .trailer = "ME\n"})));
    resetRecordState();
    initSecurityDefaults();
    setFlag(flag::directConvert);
    readModuleHeader();
    settings.outputFile = std::tmpfile();
}

// The output file and the console of one conversion.
std::pair<std::string, std::string> finishRun() {
    testing::internal::CaptureStdout();
    convertDirect();
    std::string console = testing::internal::GetCapturedStdout();
    std::string output;
    std::rewind(settings.outputFile);
    for (int c; (c = std::fgetc(settings.outputFile)) != EOF;) output += static_cast<char>(c);
    std::fclose(settings.outputFile);
    settings.outputFile = nullptr;
    finishReading();
    return {output, console};
}

TEST(DirectConvert, RepeatCountsRecordsRunningOnAndWarnings) {
    const struct {
        std::string sections, data;
        std::uint32_t limit;
        const char *output, *console;
    } cases[] = {
        // The second section starts where the first ends: the record goes on.
        {section(1, "@AP", "0x100", "2") + section(2, "@AP", "0x102", "7"),
         "SB 1\nASP 1 0x100\nLD 01 02\nSB 2\nASP 2 0x102\nLD\nRE 3\nLD AA BB\nLD CC\n", 0xFFFFF,
         "S0030000FC\nS20D0001000102AABBAABBAABBCCF3\nS804000000FB\n", ""},
        // Once for two records above the limit.
        {section(1, "@AP", "0xFFFE", "4"), "SB 1\nASP 1 0xFFFE\nLD 01 02\nASP 1 0x10000\nLD 03 04\n", 0xFFFF,
         "S0030000FC\nS20800FFFE01020304F0\nS804000000FB\n", "Warning (romcast): Address exceed 0FFFFH\n"},
        {section(1, "@AP", "0xFFFE", "4"), "SB 1\nASP 1 0xFFFE\n", 0xFFFFF, "S0030000FC\nS804000000FB\n",
         "Warning (romcast): 'app.tqx' does not contain object data\n"},
    };
    for (const auto &c : cases) {
        startRun(c.sections, c.data);
        settings.addressLimit = c.limit;
        settings.addressLimitText = "0FFFFH";
        const auto [output, console] = finishRun();
        EXPECT_EQ(output, c.output) << c.data;
        EXPECT_EQ(console, c.console) << c.data;
    }
}

TEST(DirectConvert, SectionBoundsCountSizeZeroButNotD) {
    const struct {
        std::string sections;
        std::uint32_t lowest, highest;
        bool above1MB;
    } cases[] = {
        {section(1, "@AD", "0x10", "16") + section(2, "@AP", "0x200", "16") + section(3, "@AD", "0x8000", "16"),
         0x200, 0x20F, false},
        {section(1, "@AP", "0x200", "16") + section(2, "@AR", "0x3000", "0"), 0x200, 0x2FFF, false},
        {section(1, "@AP", "0xFFFF0", "16"), 0xFFFF0, 0xFFFFF, false},  // ending at 0x100000 is not above
        {section(1, "@AP", "0xFFFF1", "16"), 0xFFFF1, 0x100000, true},
    };
    for (const auto &c : cases) {
        startRun(c.sections, "");
        finishRun();
        EXPECT_EQ(settings.lowestSectionAddress, c.lowest) << c.sections;
        EXPECT_EQ(settings.highestSectionAddress, c.highest) << c.sections;
        EXPECT_EQ(hasFlag(flag::above1MB), c.above1MB) << c.sections;
    }
}

// The tree path's refusals of the same faults are case folders under reading/.
TEST(DirectConvertDeathTest, MalformedPartsEndTheRunWithStatus3) {
    const std::string good = section(1, "@AP", "0x100", "4");
    const std::pair<std::string, std::string> cases[] = {
        {"ST 1 @AP \"P\"\nSA 1 2\nASL 1 0x100\n", ""},  // ASL without ASS
        {good, "NN 2 \"x\"\n"},
        {good, "SB 1\nASP 1 @A\n"},  // an address that is an expression
    };
    for (const auto &[sections, data] : cases) {
        startRun(sections, data);
        EXPECT_RUN_ENDS(convertDirect(), 3, "Illegal file format `app.tqx' is used") << sections << data;
        finishReading();
    }
}

}  // namespace
