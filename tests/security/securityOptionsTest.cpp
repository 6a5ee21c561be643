#include <gtest/gtest.h>

#include <cstdint>

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
    {"ab-c", 1, {}, nullptr},
    {"#", 0, {0, 0, 0, 0, 0, 0, 0}, "#"},
    {"#0123456789ABCD", 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}, "#0123456789ABCD"},
    {"#ABC", 0, {0xAB, 0xC0, 0, 0, 0, 0, 0}, "#ABC"},
    {"#AG", 1, {}, nullptr},
    {"A\xC4", 1, {}, nullptr},  // letters and digits are ASCII only
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

}  // namespace
