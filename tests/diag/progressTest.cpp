#include <gtest/gtest.h>

#include <string>

#include "diag/console.h"
#include "diag/messages.h"
#include "driver/runSettings.h"

namespace {

std::string ticks(int calls, bool slow) {
    initRunSettings();
    settings.readingPhase = slow ? 1 : 0;
    testing::internal::CaptureStdout();
    for (int i = 0; i < calls; ++i) tickProgress();
    return testing::internal::GetCapturedStdout();
}

TEST(Progress, OneCharacterPerHundredEventsAndAStarEveryFifth) {
    EXPECT_EQ(ticks(99, false), "");
    EXPECT_EQ(ticks(100, false), "-");
    EXPECT_EQ(ticks(500, false), "----*");
    EXPECT_EQ(ticks(1000, false), "----*----*");
}

TEST(Progress, SlowModeCountsEveryThirtiethCall) {
    EXPECT_EQ(ticks(2999, true), "");
    EXPECT_EQ(ticks(3000, true), "-");
    EXPECT_EQ(ticks(15000, true), "----*");
}

TEST(Progress, QuietPrintsNothing) {
    initRunSettings();
    settings.readingPhase = 0;
    setFlag(flag::quiet);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 1000; ++i) tickProgress();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(settings.progressTicks, 0u);
}

TEST(Banner, TextsAndBlanks) {
    initRunSettings();
    testing::internal::CaptureStdout();
    showBanner();
    showShortBanner();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n\n"
              "   Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n");
    EXPECT_TRUE(hasFlag(flag::bannerShown));
}

TEST(Messages, ExitStatusesGroupByCause) {
    // 2: files and memory; 3: the module; 4: the command line; 1: interrupt.
    for (int code : {1, 2, 3, 4}) EXPECT_EQ(findError(code)->exitStatus, 2) << code;
    for (int code : {10, 18}) EXPECT_EQ(findError(code)->exitStatus, 3) << code;
    for (int code : {0, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 19, 20, 22, 23, 24})
        EXPECT_EQ(findError(code)->exitStatus, 4) << code;
    EXPECT_EQ(findError(100)->exitStatus, 1);
    EXPECT_EQ(findError(21), nullptr);
    EXPECT_EQ(findWarning(5), nullptr);
}

}  // namespace
