#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "driver/rangeChecks.h"
#include "driver/runSettings.h"

namespace {

// The range and fill fields as the options or the reconciliation leave them.
struct Ranges {
    std::int32_t rangeForm;
    std::uint32_t rangeStart, rangeEnd;
    std::int32_t fillForm;
    std::uint32_t fillStart, fillEnd;
};

void load(const Ranges &r, bool fillGiven) {
    initRunSettings();
    setFlag(flag::bannerShown);
    if (fillGiven) setFlag(flag::fillGiven);
    if (r.rangeForm != 0) setFlag(flag::rangeGiven);
    settings.rangeForm = r.rangeForm;
    settings.rangeStart = r.rangeStart;
    settings.rangeEnd = r.rangeEnd;
    settings.fillForm = r.fillForm;
    settings.fillStart = r.fillStart;
    settings.fillEnd = r.fillEnd;
}

void expectRanges(const Ranges &r, int line) {
    EXPECT_EQ(settings.rangeForm, r.rangeForm) << "line " << line;
    EXPECT_EQ(settings.rangeStart, r.rangeStart) << "line " << line;
    EXPECT_EQ(settings.rangeEnd, r.rangeEnd) << "line " << line;
    EXPECT_EQ(settings.fillForm, r.fillForm) << "line " << line;
    EXPECT_EQ(settings.fillStart, r.fillStart) << "line " << line;
    EXPECT_EQ(settings.fillEnd, r.fillEnd) << "line " << line;
}

// The whole console output of an error, as a regular expression.
std::string errorLine(const std::string &message) {
    std::string pattern = "^Error \\(romcast\\): ";
    for (char c : message) {
        if (std::string(".^$|()[]*+?{}\\").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern + "\n$";
}

// Runs `check` in a child whose stdout is its stderr, so the message can be
// matched; the child must end with exit status 4 and print only `message`.
#define EXPECT_REFUSED(check, message)                                                    \
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), check), testing::ExitedWithCode(4), \
                errorLine(message))

struct BeforeCase {
    int line;
    bool fillGiven;
    Ranges given, expected;
};

const BeforeCase beforeCases[] = {
    {__LINE__, true, {0, 0, 0, 2, 0x100, 0x200}, {0, 0, 0, 2, 0x100, 0x200}},
    {__LINE__, false, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 0, 0, 0}},
    {__LINE__, true, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 1, 0x1000, 0}},
    {__LINE__, true, {1, 0x1000, 0, 1, 0x1000, 0}, {1, 0x1000, 0, 1, 0x1000, 0}},
    {__LINE__, true, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {1, 0x1000, 0, 2, 0x1800, 0x1900}},
    {__LINE__, false, {2, 0x1000, 0x1FFF, 0, 0, 0}, {2, 0x1000, 0x1FFF, 0, 0, 0}},
    {__LINE__, true, {2, 0x1000, 0x1FFF, 0, 0, 0}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}},
    {__LINE__, true, {2, 0x1000, 0x1FFF, 1, 0x1800, 0}, {2, 0x1000, 0x1FFF, 2, 0x1800, 0x1FFF}},
    {__LINE__, true, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}},
};

TEST(RangesBeforeReading, FillCompletedFromTheRange) {
    for (const BeforeCase &c : beforeCases) {
        load(c.given, c.fillGiven);
        reconcileRangesBeforeReading();
        expectRanges(c.expected, c.line);
    }
}

TEST(RangesBeforeReading, FillOutsideTheRangeIsRefused) {
    const Ranges refused[] = {
        {1, 0x1000, 0, 1, 0x800, 0},
        {1, 0x1000, 0, 2, 0x800, 0x1800},
        {2, 0x1000, 0x1FFF, 1, 0xFFF, 0},
        {2, 0x1000, 0x1FFF, 2, 0x800, 0x1800},
        {2, 0x1000, 0x1FFF, 2, 0x1000, 0x2000},
    };
    for (const Ranges &r : refused) {
        load(r, true);
        EXPECT_REFUSED(reconcileRangesBeforeReading(),
                       "Address specified by '-F' option exceed output address");
    }
}

TEST(RangesBeforeReading, FillRangeWithBinaryOutput) {
    for (std::int32_t form : {1, 2}) {
        load({0, 0, 0, form, 0, 0xFF}, true);
        setFlag(flag::binaryOutput);
        EXPECT_REFUSED(checkFillAgainstBinary(),
                       "Invalid option '-F data:Start Addr:End Addr' is used");
    }
    load({0, 0, 0, 0, 0, 0}, true);
    setFlag(flag::binaryOutput);
    checkFillAgainstBinary();  // the data byte alone is fine
    load({0, 0, 0, 2, 0, 0xFF}, true);
    checkFillAgainstBinary();  // and any fill without binary output
}

struct AfterCase {
    int line;
    std::uint32_t low, high;
    Ranges given, expected;
    bool rangeGiven;
};

const AfterCase afterCases[] = {
    // -A 1000 -F 0: the range is closed at the module's last address.
    {__LINE__, 0x1000, 0x1FFF, {1, 0x1000, 0, 1, 0x1000, 0}, {1, 0x1000, 0x1FFF, 1, 0x1000, 0}, true},
    // A fill end past the module closes the range there instead, as form 2.
    {__LINE__, 0x1000, 0x1FFF, {1, 0x1000, 0, 2, 0x1800, 0x2FFF}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x2FFF}, true},
    {__LINE__, 0x1000, 0x2FFF, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x1900}, true},
    // A fill range without "-A" widens the output over module and fill.
    {__LINE__, 0x8000, 0x8FFF, {0, 0, 0, 2, 0, 0xFFFF}, {2, 0, 0xFFFF, 2, 0, 0xFFFF}, true},
    {__LINE__, 0x1000, 0x1FFF, {0, 0, 0, 2, 0x9000, 0x9FFF}, {2, 0x1000, 0x9FFF, 2, 0x9000, 0x9FFF}, true},
    // A range that overlaps the module only partly is fine.
    {__LINE__, 0x1000, 0x1FFF, {2, 0x1800, 0x2800, 0, 0, 0}, {2, 0x1800, 0x2800, 0, 0, 0}, true},
    {__LINE__, 0x1000, 0x1FFF, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, true},
    // A fill start past the module is fine when "-A" set both ends.
    {__LINE__, 0x1000, 0x1FFF, {2, 0x1000, 0x3000, 1, 0x2800, 0}, {2, 0x1000, 0x3000, 1, 0x2800, 0}, true},
    {__LINE__, 0x1000, 0x1FFF, {0, 0, 0, 1, 0x1800, 0}, {0, 0, 0, 1, 0x1800, 0}, false},
    {__LINE__, 0x1000, 0x1FFF, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, false},
};

TEST(RangesAfterReading, ClosedAndWidenedByTheModule) {
    for (const AfterCase &c : afterCases) {
        load(c.given, true);
        settings.lowestSectionAddress = c.low;
        settings.highestSectionAddress = c.high;
        reconcileRangesAfterReading();
        expectRanges(c.expected, c.line);
        EXPECT_EQ(hasFlag(flag::rangeGiven), c.rangeGiven) << "line " << c.line;
    }
}

TEST(RangesAfterReading, RangesMissingTheModuleAreRefused) {
    const struct {
        Ranges given;
        const char *message;
    } refused[] = {
        {{2, 0x20000, 0x2FFFF, 0, 0, 0}, "'-A' Option Illegal address"},
        {{1, 0x2000, 0, 0, 0, 0}, "'-A' Option Illegal address"},
        {{2, 0x100, 0xFFF, 0, 0, 0}, "'-A' Option Illegal address"},
        {{0, 0, 0, 1, 0x2000, 0}, "Address specified by '-F' option exceed output address"},
        {{1, 0x1000, 0, 1, 0x2000, 0}, "Address specified by '-F' option exceed output address"},
    };
    for (const auto &r : refused) {
        load(r.given, true);
        settings.lowestSectionAddress = 0x1000;
        settings.highestSectionAddress = 0x1FFF;
        EXPECT_REFUSED(reconcileRangesAfterReading(), r.message);
    }
}

}  // namespace
