// What the end-to-end cases under direct/ leave out: repeat counts, records
// running on across sections, the two warnings, the section bounds, and the
// refusal of malformed section and data parts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "output/directConvert.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void putNumber(Bytes &out, std::uint32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    const int length = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
    out.push_back(static_cast<std::uint8_t>(0x80 + length));
    for (int i = length - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// ASS, ASL and ASP: a two-byte type, the section index, one number.
void putIndexed(Bytes &out, std::uint8_t type, std::uint32_t index, std::uint32_t value) {
    out.insert(out.end(), {0xE2, type});
    putNumber(out, index);
    putNumber(out, value);
}

// ST (with one type letter), SA, ASS and ASL of one section.
void addSection(Bytes &sections, std::uint32_t index, char letter, std::uint32_t base, std::uint32_t size) {
    sections.push_back(0xE6);
    putNumber(sections, index);
    const auto code = static_cast<std::uint8_t>(0xC0 + letter - '@');
    sections.insert(sections.end(), {code, 0x01, static_cast<std::uint8_t>(letter), 0xE7, 0x02});
    putIndexed(sections, 0xD3, index, size);
    putIndexed(sections, 0xCC, index, base);
}

void addUnit(Bytes &data, std::uint32_t index, std::uint32_t address, const Bytes &bytes) {
    data.insert(data.end(), {0xE5, static_cast<std::uint8_t>(index)});
    putIndexed(data, 0xD0, index, address);
    data.insert(data.end(), {0xED, static_cast<std::uint8_t>(bytes.size())});
    data.insert(data.end(), bytes.begin(), bytes.end());
}

// Sets the run up as the run sequence leaves it after the header: the section
// part, the data part (ended by ASG) and a trailer without ASG, in a temporary file.
void startRun(const Bytes &sections, const Bytes &data) {
    initRunSettings();
    resetRecordState();
    initSecurityDefaults();
    setFlag(flag::directConvert);
    Bytes file = sections;
    file.push_back(0xE1);
    moduleParts.sectionPart = 0;
    moduleParts.dataPart = static_cast<std::uint32_t>(file.size());
    file.insert(file.end(), data.begin(), data.end());
    file.insert(file.end(), {0xE2, 0xC7});
    moduleParts.trailerPart = static_cast<std::uint32_t>(file.size());
    file.push_back(0xE1);
    settings.inputName = "app.tqx";
    settings.inputFile = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), settings.inputFile);
    settings.outputFile = std::tmpfile();
}

// The output file and the console of one conversion.
std::pair<std::string, std::string> finishRun() {
    testing::internal::CaptureStdout();
    convertDirect();
    std::string console = testing::internal::GetCapturedStdout();
    std::string output;
    std::rewind(settings.outputFile);
    for (int c; (c = std::fgetc(settings.outputFile)) != EOF;) output += static_cast<char>(c);
    std::fclose(settings.inputFile);
    std::fclose(settings.outputFile);
    settings.inputFile = settings.outputFile = nullptr;
    return {output, console};
}

TEST(DirectConvert, RepeatCountAndRecordsRunningOnAcrossSections) {
    Bytes sections, data;
    addSection(sections, 1, 'P', 0x100, 2);
    addSection(sections, 2, 'P', 0x102, 7);
    addUnit(data, 1, 0x100, {0x01, 0x02});
    addUnit(data, 2, 0x102, {});  // the same address: the record goes on
    data.insert(data.end(), {0xF7, 0x03, 0xED, 0x02, 0xAA, 0xBB, 0xED, 0x01, 0xCC});
    startRun(sections, data);
    const auto [output, console] = finishRun();
    EXPECT_EQ(output, "S0030000FC\nS20D0001000102AABBAABBAABBCCF3\nS804000000FB\n");
    EXPECT_EQ(console, "");
}

TEST(DirectConvert, WarningsAboveTheLimitAndWithoutData) {
    Bytes sections, data;
    addSection(sections, 1, 'P', 0xFFFE, 4);
    addUnit(data, 1, 0xFFFE, {1, 2});
    addUnit(data, 1, 0x10000, {3, 4});
    startRun(sections, data);
    settings.addressLimit = 0xFFFF;
    settings.addressLimitText = "0FFFFH";
    auto [output, console] = finishRun();
    EXPECT_EQ(output, "S0030000FC\nS20800FFFE01020304F0\nS804000000FB\n");
    EXPECT_EQ(console, "Warning (romcast): Address exceed 0FFFFH\n");  // once for two records

    data.clear();
    putIndexed(data, 0xD0, 1, 0xFFFE);
    startRun(sections, data);
    std::tie(output, console) = finishRun();
    EXPECT_EQ(output, "S0030000FC\nS804000000FB\n");
    EXPECT_EQ(console, "Warning (romcast): 'app.tqx' does not contain object data\n");
}

TEST(DirectConvert, SectionBoundsCountSizeZeroButNotD) {
    struct Case {
        const char *what;
        std::vector<std::pair<char, std::uint32_t>> sections;  // letter, base; size 0x10, 0 at 0x3000
        std::uint32_t lowest, highest;
        bool above1MB;
    };
    const Case cases[] = {
        {"D sections are left out", {{'D', 0x10}, {'P', 0x200}, {'D', 0x8000}}, 0x200, 0x20F, false},
        {"size 0 moves the bounds", {{'P', 0x200}, {'R', 0x3000}}, 0x200, 0x2FFF, false},
        {"ending at 0x100000 is not above", {{'P', 0xFFFF0}}, 0xFFFF0, 0xFFFFF, false},
        {"one byte more is", {{'P', 0xFFFF1}}, 0xFFFF1, 0x100000, true},
    };
    for (const Case &c : cases) {
        Bytes sections;
        std::uint32_t index = 1;
        for (const auto &[letter, base] : c.sections)
            addSection(sections, index++, letter, base, base == 0x3000 ? 0 : 0x10);
        startRun(sections, {});
        finishRun();
        EXPECT_EQ(settings.lowestSectionAddress, c.lowest) << c.what;
        EXPECT_EQ(settings.highestSectionAddress, c.highest) << c.what;
        EXPECT_EQ(hasFlag(flag::above1MB), c.above1MB) << c.what;
    }
}

TEST(DirectConvertDeathTest, MalformedPartsEndTheRunWithStatus3) {
    Bytes section;
    addSection(section, 1, 'P', 0x100, 4);
    Bytes noSize = {0xE6, 0x01, 0xD0, 0x01, 'P', 0xE7, 0x02};
    putIndexed(noSize, 0xCC, 1, 0x100);
    const struct {
        const char *what;
        Bytes sections, data;
    } cases[] = {
        {"ASL without ASS", noSize, {}},
        {"NN in the data part", section, {0xF0, 0x01, 0x01, 'x'}},
        {"ASP with an expression", section, {0xE2, 0xD0, 0x01, 0xC1}},
    };
    for (const auto &c : cases) {
        EXPECT_EXIT(
            {
                startRun(c.sections, c.data);
                convertDirect();
            },
            testing::ExitedWithCode(3), "")
            << c.what;
    }
}

}  // namespace
