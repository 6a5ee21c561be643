#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "testConversion.h"
#include "plan/rangePlan.h"
#include "options/runSettings.h"
#include "module/readerTestSupport.h"

namespace {

// Range form, start, end; fill form, start, end: as the options or the
// reconciliation leave them.
using Ranges = std::array<std::uint32_t, 6>;

const char fillOutside[] = "Address specified by '-F' option exceed output address";
const char rangeOutside[] = "'-A' Option Illegal address";

// Rows: `high`, `flagOn`, given, expected, refusal (nullptr: accepted). `high`
// 0: reconciled before reading, "-F" given as `flagOn` says. Otherwise after
// reading a module at 0x1000 up to `high`, with "-F" given; `flagOn` tells
// whether "-A" counts as given afterwards.
TEST(Ranges, CompletedClosedAndWidenedOrRefused) {
    const std::tuple<std::uint32_t, bool, Ranges, Ranges, const char *> cases[] = {
        {0, true, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 1, 0x1000, 0}, nullptr},
        {0, true, {2, 0x1000, 0x1FFF, 0, 0, 0}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, nullptr},
        {0, true, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, nullptr},
        {0, true, {2, 0x1000, 0x1FFF, 1, 0xFFF, 0}, {}, fillOutside},
        {0, true, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x2000}, {}, fillOutside},
        // -A 1000 -F 0: the range is closed at the module's last address.
        {0x1FFF, true, {1, 0x1000, 0, 1, 0x1000, 0}, {1, 0x1000, 0x1FFF, 1, 0x1000, 0}, nullptr},
        // A fill end past the module closes the range there instead, as form 2.
        {0x1FFF, true, {1, 0x1000, 0, 2, 0x1800, 0x2FFF}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x2FFF}, nullptr},
        // A fill range without "-A" widens the output over module and fill.
        {0x1FFF, true, {0, 0, 0, 2, 0x9000, 0x9FFF}, {2, 0x1000, 0x9FFF, 2, 0x9000, 0x9FFF}, nullptr},
        // A range that overlaps the module only partly is fine.
        {0x1FFF, true, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, nullptr},
        // A fill start past the module is fine when "-A" set both ends.
        {0x1FFF, true, {2, 0x1000, 0x3000, 1, 0x2800, 0}, {2, 0x1000, 0x3000, 1, 0x2800, 0}, nullptr},
        {0x1FFF, false, {0, 0, 0, 1, 0x1800, 0}, {0, 0, 0, 1, 0x1800, 0}, nullptr},
        {0x1FFF, true, {1, 0x2000, 0, 0, 0, 0}, {}, rangeOutside},
        {0x1FFF, true, {2, 0x100, 0xFFF, 0, 0, 0}, {}, rangeOutside},
        {0x1FFF, true, {0, 0, 0, 1, 0x2000, 0}, {}, fillOutside},
        {0x1FFF, true, {1, 0x1000, 0, 1, 0x2000, 0}, {}, fillOutside},
    };
    for (const auto &[high, flagOn, given, expected, refusal] : cases) {
        SCOPED_TRACE(testing::PrintToString(given) + (high != 0 ? " after reading" : ""));
        initRunSettings(conv.settings);
        if (flagOn || high != 0) conv.settings.set(flag::fillGiven);
        if (given[0] != 0) conv.settings.set(flag::rangeGiven);
        conv.settings.rangeForm = static_cast<std::int32_t>(given[0]);
        conv.settings.rangeStart = given[1];
        conv.settings.rangeEnd = given[2];
        conv.settings.fillForm = static_cast<std::int32_t>(given[3]);
        conv.settings.fillStart = given[4];
        conv.settings.fillEnd = given[5];
        conv.settings.lowestSectionAddress = 0x1000;
        conv.settings.highestSectionAddress = high;
        const auto reconcile = high != 0 ? reconcileRangesAfterReading : reconcileRangesBeforeReading;
        if (refusal != nullptr) {
            EXPECT_RUN_ENDS(reconcile(conv), 4, refusal);
            continue;
        }
        reconcile(conv);
        const Ranges current = {static_cast<std::uint32_t>(conv.settings.rangeForm), conv.settings.rangeStart,
                                conv.settings.rangeEnd, static_cast<std::uint32_t>(conv.settings.fillForm),
                                conv.settings.fillStart, conv.settings.fillEnd};
        EXPECT_EQ(current, expected);
        EXPECT_TRUE(high == 0 || conv.settings.has(flag::rangeGiven) == flagOn);
    }
}

}  // namespace
