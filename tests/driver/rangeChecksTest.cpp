#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "driver/rangeChecks.h"
#include "driver/runSettings.h"
#include "ieee695/readerTestSupport.h"

namespace {

// Range form, start, end; fill form, start, end: as the options or the
// reconciliation leave them.
using Ranges = std::array<std::uint32_t, 6>;

void load(const Ranges &r, bool fillGiven) {
    initRunSettings();
    setFlag(flag::bannerShown);
    if (fillGiven) setFlag(flag::fillGiven);
    if (r[0] != 0) setFlag(flag::rangeGiven);
    settings.rangeForm = static_cast<std::int32_t>(r[0]);
    settings.rangeStart = r[1];
    settings.rangeEnd = r[2];
    settings.fillForm = static_cast<std::int32_t>(r[3]);
    settings.fillStart = r[4];
    settings.fillEnd = r[5];
}

Ranges current() {
    return {static_cast<std::uint32_t>(settings.rangeForm), settings.rangeStart, settings.rangeEnd,
            static_cast<std::uint32_t>(settings.fillForm), settings.fillStart, settings.fillEnd};
}

const char fillOutside[] = "Address specified by '-F' option exceed output address";
const char rangeOutside[] = "'-A' Option Illegal address";

struct Case {
    bool flagOn;  // before reading: "-F" given; after: "-A" counts as given afterwards
    Ranges given, expected;
    const char *refusal;  // nullptr: accepted
};

TEST(RangesBeforeReading, FillCompletedFromTheRangeOrRefused) {
    const Case cases[] = {
        {true, {0, 0, 0, 2, 0x100, 0x200}, {0, 0, 0, 2, 0x100, 0x200}, nullptr},
        {false, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 0, 0, 0}, nullptr},
        {true, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 1, 0x1000, 0}, nullptr},
        {true, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {1, 0x1000, 0, 2, 0x1800, 0x1900}, nullptr},
        {true, {2, 0x1000, 0x1FFF, 0, 0, 0}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, nullptr},
        {true, {2, 0x1000, 0x1FFF, 1, 0x1800, 0}, {2, 0x1000, 0x1FFF, 2, 0x1800, 0x1FFF}, nullptr},
        {true, {1, 0x1000, 0, 1, 0x800, 0}, {}, fillOutside},
        {true, {2, 0x1000, 0x1FFF, 1, 0xFFF, 0}, {}, fillOutside},
        {true, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x2000}, {}, fillOutside},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.given));
        load(c.given, c.flagOn);
        if (c.refusal != nullptr) {
            EXPECT_RUN_ENDS(reconcileRangesBeforeReading(), 4, c.refusal);
            continue;
        }
        reconcileRangesBeforeReading();
        EXPECT_EQ(current(), c.expected);
    }
}

// The module lies at 0x1000 up to `high`.
TEST(RangesAfterReading, ClosedAndWidenedByTheModuleOrRefused) {
    const struct {
        std::uint32_t high;
        Case c;
    } cases[] = {
        // -A 1000 -F 0: the range is closed at the module's last address.
        {0x1FFF, {true, {1, 0x1000, 0, 1, 0x1000, 0}, {1, 0x1000, 0x1FFF, 1, 0x1000, 0}, nullptr}},
        // A fill end past the module closes the range there instead, as form 2.
        {0x1FFF, {true, {1, 0x1000, 0, 2, 0x1800, 0x2FFF}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x2FFF}, nullptr}},
        {0x2FFF, {true, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x1900}, nullptr}},
        // A fill range without "-A" widens the output over module and fill.
        {0x1FFF, {true, {0, 0, 0, 2, 0, 0xFFFF}, {2, 0, 0xFFFF, 2, 0, 0xFFFF}, nullptr}},
        {0x1FFF, {true, {0, 0, 0, 2, 0x9000, 0x9FFF}, {2, 0x1000, 0x9FFF, 2, 0x9000, 0x9FFF}, nullptr}},
        // A range that overlaps the module only partly is fine.
        {0x1FFF, {true, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, nullptr}},
        // A fill start past the module is fine when "-A" set both ends.
        {0x1FFF, {true, {2, 0x1000, 0x3000, 1, 0x2800, 0}, {2, 0x1000, 0x3000, 1, 0x2800, 0}, nullptr}},
        {0x1FFF, {false, {0, 0, 0, 1, 0x1800, 0}, {0, 0, 0, 1, 0x1800, 0}, nullptr}},
        {0x1FFF, {true, {1, 0x2000, 0, 0, 0, 0}, {}, rangeOutside}},
        {0x1FFF, {true, {2, 0x100, 0xFFF, 0, 0, 0}, {}, rangeOutside}},
        {0x1FFF, {true, {0, 0, 0, 1, 0x2000, 0}, {}, fillOutside}},
        {0x1FFF, {true, {1, 0x1000, 0, 1, 0x2000, 0}, {}, fillOutside}},
    };
    for (const auto &[high, c] : cases) {
        SCOPED_TRACE(testing::PrintToString(c.given));
        load(c.given, true);
        settings.lowestSectionAddress = 0x1000;
        settings.highestSectionAddress = high;
        if (c.refusal != nullptr) {
            EXPECT_RUN_ENDS(reconcileRangesAfterReading(), 4, c.refusal);
            continue;
        }
        reconcileRangesAfterReading();
        EXPECT_EQ(current(), c.expected);
        EXPECT_EQ(hasFlag(flag::rangeGiven), c.flagOn);
    }
}

}  // namespace
