#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "testConversion.h"
#include "driver/options.h"
#include "driver/runSettings.h"
#include "security/securityOptions.h"

namespace {

// Starts a run as the run sequence does and parses `args`; the banner goes to
// a captured stdout.
void parse(std::vector<std::string> args) {
    initRunSettings(conv);
    initSecurityDefaults(conv);
    args.insert(args.begin(), "romcast");
    std::vector<char *> argv;
    for (std::string &text : args) argv.push_back(text.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    parseOptions(conv, static_cast<int>(args.size()), argv.data());
    testing::internal::GetCapturedStdout();
}

TEST(Options, FlagsAndProtectValue) {
    using namespace flag;
    // The whole flags word, bannerShown aside, and the protect value.
    const std::tuple<std::vector<std::string>, std::uint32_t, std::uint32_t> cases[] = {
        {{"a"}, 0, 0xFF},
        {{"-l", "-o", "out", "-e", "100", "a"}, longRecords | outputNameGiven | entryGiven, 0xFF},
        {{"-B", "-L", "a"}, binaryOutput | longRecords, 0xFF},  // "-L" then "-B" is refused
        {{"-ID", "-N", "a"}, idCode | protectDefault, 0xFF},  // "-N" after "-ID" does nothing
        {{"-N", "-ID", "a"}, idCode | protectDefault, 0xFF},  // "-ID" cancels "-N"
        {{"+debug", "+d51x", "+dfoo", "+debug", "a"}, debugListing | forceDualArea, 0xFF},
        {{"-protectx", "", "a"}, protectX, 0x00},
        {{"-protect1", "-ID", "a"}, protect1 | idCode, 0x3F},
        {{"-ID", "-protect2", "a"}, idCode | protect2, 0xF3},
        {{"-TQ8", "-TQ8", "a"}, tq8Target, 0xFF},
        {{"-TQ8E", "-ofsreg2", "a"}, tq8Target | ofsreg2 | protect2, 0xF3},
        {{"-TQ8", "-ofsregx", "12", "-ID", "a"}, tq8Target | ofsregX | protectX | idCode, 0x12},
        {{"-TQ8", "-ID", "-ofsregx", "12", "a"}, tq8Target | ofsregX | protectX | idCode, 0x12},
        {{"-TQ8N", "-protectx", "3f", "a"}, tq8Target | protectX, 0x3F},
        {{"-o", "-H", "a"}, outputNameGiven, 0xFF},  // a value is the whole next argument
    };
    for (const auto &[args, flags, protectValue] : cases) {
        parse(args);
        EXPECT_EQ(conv.settings.flags & ~bannerShown, flags) << testing::PrintToString(args);
        EXPECT_EQ(conv.settings.protectValue, protectValue) << testing::PrintToString(args);
    }
}

TEST(Options, RangeAndFillValues) {
    using Values = std::array<std::uint32_t, 7>;  // range form, start, end; fill form, byte, start, end
    const std::pair<std::vector<std::string>, Values> cases[] = {
        {{"-A", "1000", "a"}, {1, 0x1000, 0, 0, 0xFF, 0, 0}},
        {{"-a", ":FF", "a"}, {2, 0, 0xFF, 0, 0xFF, 0, 0}},
        {{"-A", "10000", "-TQ8", "a"}, {1, 0x10000, 0, 0, 0xFF, 0, 0}},  // checked before the limit drops
        {{"-A", "100000000", "a"}, {1, 0, 0, 0, 0xFF, 0, 0}},  // 32-bit wrap goes unnoticed
        {{"-f", "1FF", "a"}, {0, 0, 0, 0, 0xFF, 0, 0}},  // limited by the address limit, low byte kept
        {{"-F", "", "a"}, {0, 0, 0, 0, 0x00, 0, 0}},
        {{"-F", "0:100", "a"}, {0, 0, 0, 1, 0x00, 0x100, 0}},
        {{"-F", "5:", "a"}, {0, 0, 0, 1, 0x05, 0, 0}},
        {{"-F", "aa:100:200", "a"}, {0, 0, 0, 2, 0xAA, 0x100, 0x200}},
    };
    for (const auto &[args, values] : cases) {
        parse(args);
        const Values actual = {static_cast<std::uint32_t>(conv.settings.rangeForm), conv.settings.rangeStart,
                               conv.settings.rangeEnd, static_cast<std::uint32_t>(conv.settings.fillForm),
                               conv.settings.fillByte, conv.settings.fillStart, conv.settings.fillEnd};
        EXPECT_EQ(actual, values) << testing::PrintToString(args);
    }
}

TEST(Options, TextValuesAndInputName) {
    parse({"-e", "123456789", "-o", "dir/out.s", "a"});
    EXPECT_STREQ(conv.settings.entryText, "123456789");  // nine characters still fit
    EXPECT_EQ(conv.settings.outputName, "dir/out.s");
    for (const auto &[argument, inputName] : {std::pair{"a", "a.tqx"}, {"a.Tqx", "a.Tqx"}, {"dir.v\\a", "dir.v\\a.tqx"},
                                              {"dir.v/a", "dir.v/a.tqx"}}) {
        parse({argument});
        EXPECT_EQ(conv.settings.inputName, inputName) << argument;
    }
}

TEST(Options, HexValueDependsOnTheAddressLimit) {
    const std::tuple<const char *, std::uint32_t, int, std::uint32_t> cases[] = {  // text, limit, result, value
        {"", 0xFFFFF, 1, 0}, {"fFfFf", 0xFFFFF, 1, 0xFFFFF}, {"100000", 0xFFFFF, 0, 0}, {"FFFF", 0xFFFF, 1, 0xFFFF},
        {"10000", 0xFFFF, 0, 0}, {"1G", 0xFFFFF, 0, 0}, {"0x10", 0xFFFFF, 0, 0},
        {"123456789", 0xFFFFF, 0, 0},  // wraps to 0x23456789, above the limit
    };
    for (const auto &[text, limit, result, expected] : cases) {
        initRunSettings(conv);
        conv.settings.addressLimit = limit;
        std::uint32_t value = 0;
        EXPECT_EQ(parseHexValue(conv, text, &value), result) << text;
        EXPECT_TRUE(result == 0 || value == expected) << text;
    }
}

}  // namespace
