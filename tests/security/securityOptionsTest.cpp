#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

void startRun() {
    initRunSettings();
    resetRecordState();
    initSecurityDefaults();
}

struct IdCase {
    const char *text;
    int result;
    std::uint32_t bytes[idByteCount];
    const char *idText;  // nullptr: none kept
};

const IdCase idCases[] = {
    {"", 0, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, nullptr},
    {"ABC", 0, {'A', 'B', 'C', 0, 0, 0, 0}, "ABC"},
    {"abc1234", 0, {'a', 'b', 'c', '1', '2', '3', '4'}, "abc1234"},
    {"abcdefgh", 1, {}, nullptr},
    {"ab-c", 1, {}, nullptr},
    {"#", 0, {0, 0, 0, 0, 0, 0, 0}, "#"},
    {"#0123456789ABCD", 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}, "#0123456789ABCD"},
    {"#0123456789abcd", 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}, "#0123456789abcd"},
    {"#ABC", 0, {0xAB, 0xC0, 0, 0, 0, 0, 0}, "#ABC"},
    {"#0123456789ABCDE", 1, {}, nullptr},
    {"#AG", 1, {}, nullptr},
};

TEST(IdCode, CharacterAndHexadecimalForms) {
    for (const IdCase &c : idCases) {
        startRun();
        EXPECT_EQ(parseIdCode(c.text), c.result) << c.text;
        if (c.result != 0) continue;
        for (int i = 0; i < idByteCount; ++i) EXPECT_EQ(settings.idBytes[i], c.bytes[i]) << c.text << " " << i;
        if (c.idText == nullptr)
            EXPECT_EQ(settings.idText, nullptr) << c.text;
        else
            EXPECT_STREQ(settings.idText, c.idText) << c.text;
    }
}

TEST(IdCode, DefaultProtectOnlyWithoutAnExplicitChoice) {
    startRun();
    ASSERT_EQ(parseIdCode("A"), 0);
    EXPECT_TRUE(hasFlag(flag::protectDefault));
    EXPECT_EQ(settings.protectValue, 0xFFu);

    for (std::uint32_t choice : {flag::protect1, flag::protect2, flag::protectX, flag::ofsreg1,
                                 flag::ofsreg2, flag::ofsregX}) {
        startRun();
        setFlag(choice);
        settings.protectValue = 0x12;
        ASSERT_EQ(parseIdCode("A"), 0);
        EXPECT_FALSE(hasFlag(flag::protectDefault)) << choice;
        EXPECT_EQ(settings.protectValue, 0x12u) << choice;
    }
}

struct TargetCase {
    int kind;  // 1: no target option
    std::uint32_t addressLimit;
    const char *addressLimitText;
    std::uint32_t firstIdAddress, lastIdAddress, protectAddress, highByte;
};

const TargetCase targetCases[] = {
    {1, 0xFFFFF, "0FFFFFH", 0xFFFDF, 0xFFFFB, 0xFFFFF, 0x0F},
    {2, 0xFFFF, "0FFFFH", 0xFFDF, 0xFFFB, 0xFFFF, 0x00},
    {4, 0xFFFFF, "0FFFFFH", 0xFFDF, 0xFFFB, 0xFFFF, 0x00},
    {8, 0xFFFFF, "0FFFFFH", 0xFFDF, 0xFFFB, 0xFFFF, 0x00},
};

// The ready-made line must be a valid S2 record placing `data` at protectAddress.
void expectProtectRecord(const char *record, std::uint32_t data, int kind) {
    std::string line = record;
    ASSERT_EQ(line.size(), 15u) << kind;
    EXPECT_EQ(line.substr(0, 4), "S205") << kind;
    EXPECT_EQ(line.back(), '\n') << kind;
    std::uint32_t sum = 0;
    for (std::size_t i = 2; i < 14; i += 2) sum += std::strtoul(line.substr(i, 2).c_str(), nullptr, 16);
    EXPECT_EQ(sum & 0xFF, 0xFFu) << record;
    EXPECT_EQ(std::strtoul(line.substr(4, 6).c_str(), nullptr, 16), settings.protectAddress) << record;
    EXPECT_EQ(std::strtoul(line.substr(10, 2).c_str(), nullptr, 16), data) << record;
    EXPECT_EQ(line.find_first_of("abcdef"), std::string::npos) << record;
    // The checksum rule the writers use for any other protect byte.
    EXPECT_EQ(~(settings.protectChecksumBase + data) & 0xFF,
              std::strtoul(line.substr(12, 2).c_str(), nullptr, 16)) << record;
}

TEST(Target, ValuesByTarget) {
    const std::uint32_t lowBytes[idByteCount] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};
    for (const TargetCase &c : targetCases) {
        startRun();
        if (c.kind != 1) selectTarget(c.kind);
        EXPECT_EQ(settings.targetKind, c.kind);
        EXPECT_EQ(hasFlag(flag::tq8Target), c.kind != 1) << c.kind;
        EXPECT_EQ(settings.addressLimit, c.addressLimit) << c.kind;
        EXPECT_STREQ(settings.addressLimitText, c.addressLimitText) << c.kind;
        EXPECT_EQ(settings.idAddresses[0], c.firstIdAddress) << c.kind;
        EXPECT_EQ(settings.idAddresses[6], c.lastIdAddress) << c.kind;
        for (int i = 0; i < idByteCount; ++i) {
            EXPECT_EQ(settings.idAddressLow[i], lowBytes[i]) << c.kind;
            EXPECT_EQ(settings.idAddresses[i], settings.idAreaBase + lowBytes[i]) << c.kind;
        }
        EXPECT_EQ(settings.protectAddress, c.protectAddress) << c.kind;
        EXPECT_EQ(settings.securityHighByte, c.highByte) << c.kind;
        EXPECT_EQ(settings.securityMidByte, 0xFFu) << c.kind;
        expectProtectRecord(settings.protect1Record, 0x3F, c.kind);
        expectProtectRecord(settings.protect2Record, 0xF3, c.kind);
        expectProtectRecord(settings.protectDefaultRecord, 0xFF, c.kind);
    }
}

TEST(Target, OfsChoicesBecomeProtectChoicesOnTq8Only) {
    const struct {
        int kind;
        std::uint32_t given, after;
    } cases[] = {
        {2, flag::ofsreg1, flag::ofsreg1 | flag::protect1},
        {4, flag::ofsreg2, flag::ofsreg2 | flag::protect2},
        {8, flag::ofsregX, flag::ofsregX | flag::protectX},
        {8, flag::protectX, flag::protectX},
        {1, flag::protect1, flag::protect1},
        {1, flag::protectX, flag::protectX},
    };
    for (const auto &c : cases) {
        startRun();
        if (c.kind != 1) selectTarget(c.kind);
        setFlag(c.given);
        checkSecurityOptions();
        EXPECT_EQ(settings.flags & ~flag::tq8Target, c.after) << c.kind << " " << c.given;
    }
}

TEST(CharacterClasses, AsciiOnly) {
    const struct {
        int c;
        bool hex, alnum;
        int value;
    } cases[] = {
        {'9', true, true, 9},     {'F', true, true, 15},     {'a', true, true, 10},
        {'G', false, true, 'G'},  {'z', false, true, 'z'},   {':', false, false, ':'},
        {'@', false, false, '@'}, {'`', false, false, '`'},  {0xC4, false, false, 0xC4},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(isHexDigit(c.c), c.hex) << c.c;
        EXPECT_EQ(isAlphaNumeric(c.c), c.alnum) << c.c;
        EXPECT_EQ(hexDigitValue(c.c), c.value) << c.c;
    }
}

}  // namespace
