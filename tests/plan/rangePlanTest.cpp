#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "module/moduleLayout.h"
#include "module/readerTestSupport.h"
#include "options/runSettings.h"
#include "plan/rangePlan.h"

namespace {

// Range form, start, end; fill form, start, end: as the options or the
// reconciliation leave them.
using Ranges = std::array<std::uint32_t, 6>;

const char fillOutside[] = "Address specified by '-F' option exceed output address";
const char rangeOutside[] = "'-A' Option Illegal address";

// The options' ranges `given`: planned before reading (`high` 0, "-F" given
// as `fillGiven` says), or after reading a module at 0x1000 up to `high`.
RangePlan planOf(std::uint32_t high, bool fillGiven, const Ranges &given) {
    RunSettings settings;
    if (fillGiven || high != 0) settings.set(flag::fillGiven);
    if (given[0] != 0) settings.set(flag::rangeGiven);
    settings.rangeForm = static_cast<std::int32_t>(given[0]);
    settings.rangeStart = given[1];
    settings.rangeEnd = given[2];
    if (high == 0) {
        settings.fillForm = static_cast<std::int32_t>(given[3]);
        settings.fillStart = given[4];
        settings.fillEnd = given[5];
        return planRangesBeforeReading(settings);
    }
    // After reading, the plan as the rows give it, not completed again.
    RangePlan plan = planRangesBeforeReading(settings);
    plan.fillForm = static_cast<std::int32_t>(given[3]);
    plan.fillStart = given[4];
    plan.fillEnd = given[5];
    ModuleExtent extent;
    extent.lowest = 0x1000;
    extent.highest = high;
    return planRangesAfterReading(plan, extent);
}

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
        if (refusal != nullptr) {
            EXPECT_RUN_ENDS(planOf(high, flagOn, given), 4, refusal);
            continue;
        }
        const RangePlan made = planOf(high, flagOn, given);
        const Ranges current = {static_cast<std::uint32_t>(made.rangeForm), made.rangeStart, made.rangeEnd,
                                static_cast<std::uint32_t>(made.fillForm), made.fillStart, made.fillEnd};
        EXPECT_EQ(current, expected);
        EXPECT_TRUE(high == 0 || made.clipsToRange == flagOn);
    }
}

}  // namespace
