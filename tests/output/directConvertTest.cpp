#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "output/directConvert.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

// The three parts that the record-by-record conversion reads, built record by
// record with the module format's own encodings.
struct ModuleBytes {
    std::vector<std::uint8_t> sections, data, trailer;
};

void putNumber(std::vector<std::uint8_t> &out, std::uint32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    int length = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
    out.push_back(static_cast<std::uint8_t>(0x80 + length));
    for (int i = length - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putRecord(std::vector<std::uint8_t> &out, std::uint32_t type, std::uint32_t first,
               std::uint32_t second) {
    out.push_back(static_cast<std::uint8_t>(type >> 8));
    out.push_back(static_cast<std::uint8_t>(type));
    putNumber(out, first);
    putNumber(out, second);
}

// ST, SA, ASS, ASL for one section; `letter` is its last type letter.
void addSection(ModuleBytes &m, std::uint32_t index, char letter, std::uint32_t base, std::uint32_t size) {
    auto &s = m.sections;
    s.push_back(0xE6);
    putNumber(s, index);
    s.insert(s.end(), {0xC1, static_cast<std::uint8_t>(0xC0 + letter - '@'), 0x01,
                       static_cast<std::uint8_t>(letter)});
    s.insert(s.end(), {0xE7, 0x02});
    putRecord(s, 0xE2D3, index, size);
    putRecord(s, 0xE2CC, index, base);
}

void addUnit(ModuleBytes &m, std::uint32_t index, std::uint32_t address,
             const std::vector<std::uint8_t> &bytes) {
    m.data.insert(m.data.end(), {0xE5, static_cast<std::uint8_t>(index)});
    putRecord(m.data, 0xE2D0, index, address);
    m.data.push_back(0xED);
    m.data.push_back(static_cast<std::uint8_t>(bytes.size()));
    m.data.insert(m.data.end(), bytes.begin(), bytes.end());
}

struct Options {
    bool hex = false;
    std::int32_t rangeForm = 0;
    std::uint32_t rangeStart = 0, rangeEnd = 0;
    bool tq8Limit = false;
};

struct Result {
    std::string output;
    std::string console;
};

std::string readAll(std::FILE *file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

// Runs convertDirect the way the run sequence does after the header was read.
void startRun(ModuleBytes m, const Options &options) {
    initRunSettings();
    recordState.binarySum = 0;
    resetRecordState();
    initSecurityDefaults();
    setFlag(flag::directConvert);
    if (options.hex) setFlag(flag::hexOutput);
    if (options.rangeForm != 0) setFlag(flag::rangeGiven);
    settings.rangeForm = options.rangeForm;
    settings.rangeStart = options.rangeStart;
    settings.rangeEnd = options.rangeEnd;
    if (options.tq8Limit) {
        settings.addressLimit = 0xFFFF;
        settings.addressLimitText = "0FFFFH";
    }
    if (m.trailer.empty()) m.trailer.push_back(0xE1);
    std::vector<std::uint8_t> file = m.sections;
    file.push_back(0xE1);  // the record that ends the section part
    moduleParts.sectionPart = 0;
    moduleParts.dataPart = static_cast<std::uint32_t>(file.size());
    file.insert(file.end(), m.data.begin(), m.data.end());
    file.push_back(0xE2);  // ASG ends the data part
    file.push_back(0xC7);
    moduleParts.trailerPart = static_cast<std::uint32_t>(file.size());
    file.insert(file.end(), m.trailer.begin(), m.trailer.end());

    settings.inputName = "app.tqx";
    settings.inputFile = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), settings.inputFile);
    settings.outputFile = std::tmpfile();
}

Result convert(const ModuleBytes &m, const Options &options = {}) {
    startRun(m, options);
    testing::internal::CaptureStdout();
    convertDirect();
    Result result{readAll(settings.outputFile), testing::internal::GetCapturedStdout()};
    std::fclose(settings.inputFile);
    std::fclose(settings.outputFile);
    settings.inputFile = settings.outputFile = nullptr;
    return result;
}

TEST(DirectConvert, RecordsFollowTheFileOrderNotTheAddressOrder) {
    ModuleBytes m;
    addSection(m, 1, 'P', 0x2000, 4);
    addSection(m, 2, 'P', 0x1000, 4);
    addUnit(m, 1, 0x2000, {1, 2, 3, 4});
    addUnit(m, 2, 0x1000, {5, 6, 7, 8});
    m.trailer = {0xE2, 0xC7};  // ASG: the entry address
    putNumber(m.trailer, 0x1000);
    m.trailer.push_back(0xE1);
    const Result r = convert(m);
    EXPECT_EQ(r.output,
              "S0030000FC\n"
              "S20800200001020304CD\n"
              "S20800100005060708CD\n"
              "S804001000EB\n");
    EXPECT_EQ(r.console, "");
}

struct ByteCase {
    const char *what;
    Options options;
    std::string expectedRecords;  // between the S0 (or nothing) and the end record
    std::string expectedConsole;
};

// One section at 0x100 whose data runs past its size: ASP 0x100 with 1 2 3,
// then an SB and ASP 0x103 with 4 5 6 (contiguous, so the record runs on).
TEST(DirectConvert, BytePathAppliesRangeAndRecordRules) {
    const ByteCase cases[] = {
        {"records run on across SB", {}, "S20A000100010203040506DF\n", ""},
        {"-A 102:104 drops the bytes outside", {false, 2, 0x102, 0x104}, "S207000102030405E9\n", ""},
        {"-A 102 ends at the module's last address", {false, 1, 0x102, 0}, "S2060001020304EF\n", ""},
        {"Intel HEX has no header line", {true}, ":020000020000FC\n:06010000010203040506E4\n", ""},
    };
    for (const ByteCase &c : cases) {
        ModuleBytes m;
        addSection(m, 1, 'P', 0x100, 4);
        addUnit(m, 1, 0x100, {1, 2, 3});
        addUnit(m, 1, 0x103, {4, 5, 6});
        const Result r = convert(m, c.options);
        const std::string head = c.options.hex ? "" : "S0030000FC\n";
        const std::string tail = c.options.hex ? ":00000001FF\n" : "S804000000FB\n";
        EXPECT_EQ(r.output, head + c.expectedRecords + tail) << c.what;
        EXPECT_EQ(r.console, c.expectedConsole) << c.what;
    }
}

TEST(DirectConvert, RepeatCountAppliesToTheNextLoadRecordOnly) {
    ModuleBytes m;
    addSection(m, 1, 'P', 0x100, 0x10);
    putRecord(m.data, 0xE2D0, 1, 0x100);
    m.data.insert(m.data.end(), {0xF7, 0x03, 0xED, 0x02, 0xAA, 0xBB, 0xED, 0x01, 0xCC});
    EXPECT_EQ(convert(m).output, "S0030000FC\nS20B000100AABBAABBAABBCCF8\nS804000000FB\n");
}

TEST(DirectConvert, WarnsOnceAboveTheAddressLimit) {
    ModuleBytes m;
    addSection(m, 1, 'P', 0xFFFE, 4);
    addUnit(m, 1, 0xFFFE, {1, 2});
    addUnit(m, 1, 0x10000, {3, 4});
    Options tq8;
    tq8.tq8Limit = true;
    const Result r = convert(m, tq8);
    EXPECT_EQ(r.output, "S0030000FC\nS20800FFFE01020304F0\nS804000000FB\n");
    EXPECT_EQ(r.console, "Warning (romcast): Address exceed 0FFFFH\n");
}

TEST(DirectConvert, WarnsWhenNoLoadRecordIsMet) {
    ModuleBytes m;
    addSection(m, 1, 'P', 0x3000, 0);  // size 0 still counts here: no error 18
    putRecord(m.data, 0xE2D0, 1, 0x3000);
    const Result r = convert(m);
    EXPECT_EQ(r.output, "S0030000FC\nS804000000FB\n");
    EXPECT_EQ(r.console, "Warning (romcast): 'app.tqx' does not contain object data\n");
}

struct ExtentCase {
    const char *what;
    std::vector<std::pair<char, std::uint32_t>> sections;  // letter, base; size 0x10 unless base is 0x3000
    std::uint32_t lowest, highest;
    bool above1MB;
};

TEST(DirectConvert, SectionBoundsCountEverySectionButD) {
    const ExtentCase cases[] = {
        {"D sections are left out", {{'D', 0x10}, {'P', 0x200}, {'D', 0x8000}}, 0x200, 0x20F, false},
        {"size 0 moves the bounds", {{'P', 0x200}, {'R', 0x3000}}, 0x200, 0x2FFF, false},
        {"ending at 0x100000 is not above", {{'P', 0xFFFF0}}, 0xFFFF0, 0xFFFFF, false},
        {"one byte more is", {{'P', 0xFFFF1}}, 0xFFFF1, 0x100000, true},
    };
    for (const ExtentCase &c : cases) {
        ModuleBytes m;
        std::uint32_t index = 1;
        for (const auto &[letter, base] : c.sections) addSection(m, index++, letter, base, base == 0x3000 ? 0 : 0x10);
        convert(m);
        EXPECT_EQ(settings.lowestSectionAddress, c.lowest) << c.what;
        EXPECT_EQ(settings.highestSectionAddress, c.highest) << c.what;
        EXPECT_EQ(hasFlag(flag::above1MB), c.above1MB) << c.what;
    }
}

ModuleBytes refusedModule(int which) {
    ModuleBytes m;
    switch (which) {
    case 0:  // only a D section: nothing to output
        addSection(m, 1, 'D', 0x100, 4);
        break;
    case 1:  // an NN record in the data part
        addSection(m, 1, 'P', 0x100, 4);
        m.data.insert(m.data.end(), {0xF0, 0x01, 0x01, 'x'});
        break;
    case 2:  // ST followed by ASL without ASS
        m.sections.insert(m.sections.end(), {0xE6, 0x01, 0xD0, 0x01, 'P', 0xE7, 0x02});
        putRecord(m.sections, 0xE2CC, 1, 0x100);
        break;
    case 3:  // an ASP whose address is an expression
        addSection(m, 1, 'P', 0x100, 4);
        m.data.insert(m.data.end(), {0xE2, 0xD0, 0x01, 0xC1});
        break;
    default:
        break;
    }
    return m;
}

TEST(DirectConvertDeathTest, MalformedOrEmptyModulesEndTheRun) {
    const char *what[] = {"only D sections", "NN in the data part", "no ASS", "ASP expression"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EXIT(
            {
                startRun(refusedModule(i), {});
                convertDirect();
            },
            testing::ExitedWithCode(3), "")
            << what[i];
    }
}

}  // namespace
