// The independent reader must itself catch what it is there to catch.
#include <gtest/gtest.h>

#include "e2e/imageCheck.h"

namespace {

TEST(ImageCheck, SeesTheExactImageAndCatchesSlips) {
    const MemoryImage image = {{0xF0000, 1}, {0xF0001, 2}, {0xF0002, 3}, {0xF0003, 4}};
    const std::string good = "S0030000FC\nS2080F000001020304DE\nS8040F0000EC\n";
    const struct {
        const char *name;
        std::string text;
        TextForm form;
        bool seenAsImage;  // read without a complaint, as `image`
    } cases[] = {
        {"S-records", good, TextForm::sRecord, true},
        {"Intel hex", ":02000002F0000C\n:0400000001020304F2\n:00000001FF\n", TextForm::intelHex, true},
        {"checksum", "S0030000FC\nS2080F000001020304DF\nS8040F0000EC\n", TextForm::sRecord, false},
        {"byte twice", good.substr(0, 32) + "S2050F000304E4\n" + good.substr(32), TextForm::sRecord, false},
        {"missing segment", ":0400000001020304F2\n:00000001FF\n", TextForm::intelHex, false},
        {"wrong byte", "S0030000FC\nS2080F000001020305DD\nS8040F0000EC\n", TextForm::sRecord, false},
    };
    for (const auto &c : cases) {
        MemoryImage seen;
        const std::string complaint = readWithSrecCat(c.text, c.form, seen);
        EXPECT_EQ(complaint.empty() && seen == image, c.seenAsImage) << c.name << ": " << complaint;
    }
}

}  // namespace
