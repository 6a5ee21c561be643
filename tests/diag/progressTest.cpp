#include <gtest/gtest.h>

#include <string>

#include "diag/console.h"
#include "driver/runSettings.h"

namespace {

// One character per hundred events and a star every fifth; while the module is
// read only every thirtieth call is an event; quiet prints and counts nothing.
TEST(Progress, CharactersByEventCountModeAndQuiet) {
    const struct {
        int calls;
        bool slow, quiet;
        const char *printed;
    } cases[] = {
        {99, false, false, ""},       {100, false, false, "-"},     {1000, false, false, "----*----*"},
        {2999, true, false, ""},      {3000, true, false, "-"},     {15000, true, false, "----*"},
        {1000, false, true, ""},
    };
    for (const auto &c : cases) {
        initRunSettings();
        settings.readingPhase = c.slow ? 1 : 0;
        if (c.quiet) setFlag(flag::quiet);
        testing::internal::CaptureStdout();
        for (int i = 0; i < c.calls; ++i) tickProgress();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.calls << (c.slow ? " slow" : "");
        EXPECT_EQ(settings.progressTicks == 0, c.quiet) << c.calls;
    }
}

}  // namespace
