// The independent reader must itself catch what it is there to catch.
#include <gtest/gtest.h>

#include "e2e/imageCheck.h"

namespace {

TEST(ImageCheck, AcceptsTheExactImageAndCatchesSlips) {
    const MemoryImage image = {{0xF0000, 1}, {0xF0001, 2}, {0xF0002, 3}, {0xF0003, 4}};
    const std::string good = "S0030000FC\nS2080F000001020304DE\nS8040F0000EC\n";
    EXPECT_EQ(crossCheckImage(good, TextForm::sRecord, image), "");
    EXPECT_EQ(crossCheckImage(":02000002F0000C\n:0400000001020304F2\n:00000001FF\n", TextForm::intelHex, image), "");

    struct Case {
        const char *name;
        std::string text;
        TextForm form;
    } cases[] = {
        {"checksum", "S0030000FC\nS2080F000001020304DF\nS8040F0000EC\n", TextForm::sRecord},
        {"byte twice", good.substr(0, 32) + "S2050F000304E4\n" + good.substr(32), TextForm::sRecord},
        {"missing segment", ":0400000001020304F2\n:00000001FF\n", TextForm::intelHex},
        {"wrong byte", "S0030000FC\nS2080F000001020305DD\nS8040F0000EC\n", TextForm::sRecord},
    };
    for (const Case &c : cases) EXPECT_NE(crossCheckImage(c.text, c.form, image), "") << c.name;
}

}  // namespace
