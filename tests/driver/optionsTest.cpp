#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

// Starts a run as the run sequence does and parses `args` (the program name is
// added in front). The banner goes to a captured stdout.
void parse(const std::vector<std::string> &args) {
    initRunSettings();
    resetRecordState();
    initSecurityDefaults();
    std::vector<std::string> texts = {"romcast"};
    texts.insert(texts.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    parseOptions(static_cast<int>(texts.size()), argv.data());
    testing::internal::GetCapturedStdout();
}

using namespace flag;

struct FlagCase {
    std::vector<std::string> args;
    std::uint32_t flags;  // the whole flags word, bannerShown aside
    std::uint32_t protectValue;
};

const FlagCase flagCases[] = {
    {{"a"}, 0, 0xFF},
    {{"-.", "a"}, quiet, 0xFF},
    {{"-l", "-o", "out", "-e", "100", "a"}, longRecords | outputNameGiven | entryGiven, 0xFF},
    {{"-h", "-L", "a"}, hexOutput | longRecords, 0xFF},
    {{"-B", "-L", "a"}, binaryOutput | longRecords, 0xFF},  // "-L" then "-B" is refused
    {{"-F", "0", "-b", "a"}, fillGiven | binaryOutput, 0xFF},
    {{"-A", "100", "-F", "1", "a"}, rangeGiven | fillGiven, 0xFF},
    {{"-n", "a"}, directConvert, 0xFF},
    {{"-ID", "-N", "a"}, idCode | protectDefault, 0xFF},  // "-N" after "-ID" does nothing
    {{"-N", "-ID", "a"}, idCode | protectDefault, 0xFF},  // "-ID" cancels "-N"
    {{"+debug", "+d51x", "+dfoo", "+debug", "a"}, debugListing | forceDualArea, 0xFF},
    {{"-protectx", "FF", "a"}, protectX, 0xFF},
    {{"-protectx", "", "a"}, protectX, 0x00},
    {{"-protect1", "-ID", "a"}, protect1 | idCode, 0x3F},
    {{"-ID", "-protect2", "a"}, idCode | protect2, 0xF3},
    {{"-TQ8", "-TQ8", "a"}, tq8Target, 0xFF},
    {{"-TQ8", "-ofsreg1", "a"}, tq8Target | ofsreg1 | protect1, 0x3F},
    {{"-TQ8E", "-ofsreg2", "a"}, tq8Target | ofsreg2 | protect2, 0xF3},
    {{"-TQ8", "-ofsregx", "12", "-ID", "a"}, tq8Target | ofsregX | protectX | idCode, 0x12},
    {{"-TQ8", "-ID", "-ofsregx", "12", "a"}, tq8Target | ofsregX | protectX | idCode, 0x12},
    {{"-TQ8N", "-protectx", "3f", "a"}, tq8Target | protectX, 0x3F},
    {{"-o", "-H", "a"}, outputNameGiven, 0xFF},  // a value is the whole next argument
};

TEST(Options, FlagsAndProtectValue) {
    for (const FlagCase &c : flagCases) {
        parse(c.args);
        std::string line = testing::PrintToString(c.args);
        EXPECT_EQ(settings.flags & ~bannerShown, c.flags) << line;
        EXPECT_EQ(settings.protectValue, c.protectValue) << line;
        EXPECT_TRUE(hasFlag(bannerShown)) << line;
    }
}

struct RangeFillCase {
    std::vector<std::string> args;
    std::int32_t rangeForm;
    std::uint32_t rangeStart, rangeEnd;
    std::int32_t fillForm;
    std::uint32_t fillByte, fillStart, fillEnd;
};

const RangeFillCase rangeFillCases[] = {
    {{"a"}, 0, 0, 0, 0, 0xFF, 0, 0},
    {{"-A", "1000", "a"}, 1, 0x1000, 0, 0, 0xFF, 0, 0},
    {{"-a", ":FF", "a"}, 2, 0, 0xFF, 0, 0xFF, 0, 0},
    {{"-A", "0:fffff", "a"}, 2, 0, 0xFFFFF, 0, 0xFF, 0, 0},
    {{"-A", "10000", "-TQ8", "a"}, 1, 0x10000, 0, 0, 0xFF, 0, 0},  // checked before the limit drops
    {{"-TQ8E", "-A", "FFFFF", "a"}, 1, 0xFFFFF, 0, 0, 0xFF, 0, 0},
    {{"-A", "100000000", "a"}, 1, 0, 0, 0, 0xFF, 0, 0},  // 32-bit wrap goes unnoticed
    {{"-F", "12", "a"}, 0, 0, 0, 0, 0x12, 0, 0},
    {{"-f", "1FF", "a"}, 0, 0, 0, 0, 0xFF, 0, 0},  // limited by the address limit, low byte kept
    {{"-F", "", "a"}, 0, 0, 0, 0, 0x00, 0, 0},
    {{"-F", "0:100", "a"}, 0, 0, 0, 1, 0x00, 0x100, 0},
    {{"-F", "5:", "a"}, 0, 0, 0, 1, 0x05, 0, 0},
    {{"-F", "aa:100:200", "a"}, 0, 0, 0, 2, 0xAA, 0x100, 0x200},
    {{"-F", "0:1FF:FFFFF", "a"}, 0, 0, 0, 2, 0x00, 0x1FF, 0xFFFFF},
};

TEST(Options, RangeAndFillValues) {
    for (const RangeFillCase &c : rangeFillCases) {
        parse(c.args);
        std::string line = testing::PrintToString(c.args);
        EXPECT_EQ(settings.rangeForm, c.rangeForm) << line;
        EXPECT_EQ(settings.rangeStart, c.rangeStart) << line;
        EXPECT_EQ(settings.rangeEnd, c.rangeEnd) << line;
        EXPECT_EQ(settings.fillForm, c.fillForm) << line;
        EXPECT_EQ(settings.fillByte, c.fillByte) << line;
        EXPECT_EQ(settings.fillStart, c.fillStart) << line;
        EXPECT_EQ(settings.fillEnd, c.fillEnd) << line;
    }
}

TEST(Options, TextValuesAreCopied) {
    parse({"-L", "-e", "123456789", "-o", "dir/out.s", "a"});
    EXPECT_STREQ(settings.entryText, "123456789");  // nine characters still fit
    EXPECT_STREQ(settings.outputName, "dir/out.s");
    EXPECT_EQ(settings.recordLength, 32);

    parse({"a"});
    EXPECT_EQ(settings.recordLength, 16);
    EXPECT_EQ(settings.outputName, nullptr);
    EXPECT_STREQ(settings.entryText, "");
}

TEST(Options, InputNameTakesTheDefaultExtension) {
    const struct {
        const char *argument;
        const char *inputName;
    } cases[] = {
        {"a", "a.tqx"},
        {"A.TQX", "A.TQX"},
        {"a.Tqx", "a.Tqx"},
        {"dir.v\\a", "dir.v\\a.tqx"},
        {"dir.v/a", "dir.v/a.tqx"},
        {"../x.y/a.tqx", "../x.y/a.tqx"},
    };
    for (const auto &c : cases) {
        parse({c.argument});
        EXPECT_STREQ(settings.inputName, c.inputName) << c.argument;
    }
}

TEST(Options, HexValueDependsOnTheAddressLimit) {
    const struct {
        const char *text;
        std::uint32_t limit;
        int result;
        std::uint32_t value;
    } cases[] = {
        {"", 0xFFFFF, 1, 0},
        {"fFfFf", 0xFFFFF, 1, 0xFFFFF},
        {"100000", 0xFFFFF, 0, 0},
        {"FFFF", 0xFFFF, 1, 0xFFFF},
        {"10000", 0xFFFF, 0, 0},
        {"1G", 0xFFFFF, 0, 0},
        {"0x10", 0xFFFFF, 0, 0},
        {"123456789", 0xFFFFF, 0, 0},  // wraps to 0x23456789, above the limit
    };
    for (const auto &c : cases) {
        initRunSettings();
        settings.addressLimit = c.limit;
        std::uint32_t value = 0;
        EXPECT_EQ(parseHexValue(c.text, &value), c.result) << c.text;
        if (c.result == 1) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

}  // namespace
