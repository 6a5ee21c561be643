#include <gtest/gtest.h>

#include <cstdint>

#include "testConversion.h"
#include "driver/runSettings.h"
#include "security/securityOptions.h"

namespace {

void startRun() {
    initRunSettings(conv);
    initSecurityDefaults(conv);
}

// The plain forms are idcode case folders (empty, chars, hash-protect1).
TEST(IdCode, CharacterAndHexadecimalForms) {
    const struct {
        const char *text;
        int result;
        std::uint32_t bytes[idByteCount];
    } cases[] = {
        {"abc1234", 0, {'a', 'b', 'c', '1', '2', '3', '4'}},
        {"#", 0, {0, 0, 0, 0, 0, 0, 0}},
        {"#ABC", 0, {0xAB, 0xC0, 0, 0, 0, 0, 0}},
        {"ab-c", 1, {}},
        {"#AG", 1, {}},
        {"A\xC4", 1, {}},  // letters and digits are ASCII only
    };
    for (const auto &c : cases) {
        startRun();
        EXPECT_EQ(parseIdCode(conv, c.text), c.result) << c.text;
        if (c.result != 0) continue;
        for (int i = 0; i < idByteCount; ++i) EXPECT_EQ(conv.settings.idBytes[i], c.bytes[i]) << c.text << " " << i;
        EXPECT_EQ(conv.settings.idText, c.text);
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
        {1, flag::protectX, flag::protectX},
    };
    for (const auto &c : cases) {
        startRun();
        if (c.kind != 1) selectTarget(conv, c.kind);
        conv.settings.set(c.given);
        checkSecurityOptions(conv);
        EXPECT_EQ(conv.settings.flags & ~flag::tq8Target, c.after) << c.kind << " " << c.given;
    }
}

}  // namespace
