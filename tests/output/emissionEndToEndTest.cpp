// Whole runs of romcast over modules built here: each text output is compared
// where the test knows its exact text, and always read back by the independent
// reader (imageCheck), whose memory image must be the one the test expects.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/imageCheck.h"

namespace {

struct Section {
    int index;
    const char *letters;  // "@AP" code, "@AR" ROM data, "@AD" loads nothing
    std::uint32_t base;
    std::uint32_t size;
};

// A load module for `processor` with these sections; `data` holds the data part's
// records (SB, ASP, LD, RE), one a line.
std::string moduleText(const std::vector<Section> &sections, const std::string &data,
                       const char *processor = "TQ40", const std::string &trailer = "ASG 0\nME\n") {
    std::string text = std::string("MB \"") + processor + "\" \"app\"\n" +
                       "AD 8 4 @M\nASW 1 $env\nASW 2 $sections\nASW 5 $data\nASW 6 $trailer\n"
                       "$env:\nNN 1 \"app\"\nATN 0 0 38 1\n$sections:\n";
    for (const Section &s : sections) {
        const std::string i = std::to_string(s.index);
        text += "ST " + i + " " + s.letters + " \"s" + i + "\"\nSA " + i + " 2\nASS " + i + " " +
                std::to_string(s.size) + "\nASL " + i + " " + std::to_string(s.base) + "\n";
    }
    return text + "$data:\n" + data + "$trailer:\n" + trailer;
}

// "LD" with `count` bytes counting up from `first`.
std::string loadRun(int count, int first = 0) {
    std::string line = "LD";
    for (int i = 0; i < count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", (first + i) & 0xFF);
        line += byte;
    }
    return line + "\n";
}

void put(MemoryImage &image, std::uint32_t address, int count, int first = 0) {
    for (int i = 0; i < count; ++i) image[address + i] = static_cast<std::uint8_t>(first + i);
}
void fill(MemoryImage &image, std::uint32_t from, std::uint32_t to, std::uint8_t byte) {
    for (std::uint32_t a = from; a <= to; ++a) image.emplace(a, byte);
}

// Runs romcast quietly on the module as app.tqx.
RunResult convert(const std::string &module, std::vector<std::string> args) {
    args.insert(args.begin(), "-.");
    args.push_back("app");
    return runRomcast(args, {{"app.tqx", assembleModule(module)}});
}

// The output `name` of a run that must have succeeded.
std::string output(const RunResult &run, const std::string &name) {
    EXPECT_EQ(run.exitStatus, 0) << describeRun(run);
    EXPECT_EQ(run.err, "");
    const auto file = run.files.find(name);
    if (file == run.files.end()) {
        ADD_FAILURE() << name << " was not written\n" << describeRun(run);
        return "";
    }
    return file->second;
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> result;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos);
        result.push_back(text.substr(pos, end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    return result;
}

const std::vector<Section> oneSection = {{1, "@AP", 0x0F0000, 4}};
const std::string oneSectionData = "SB 1\nASP 1 0x0F0000\nLD 01 02 03 04\n";

TEST(Emission, OneSectionModuleInEveryForm) {
    const std::string module = moduleText(oneSection, oneSectionData, "TQ40", "ASG 0x0F0000\nME\n");
    const MemoryImage image = {{0xF0000, 1}, {0xF0001, 2}, {0xF0002, 3}, {0xF0003, 4}};

    const RunResult mot = convert(module, {});
    EXPECT_EQ(mot.out, "\n");
    const std::string sText = output(mot, "app.mot");
    EXPECT_EQ(sText, "S0030000FC\nS2080F000001020304DE\nS8040F0000EC\n");
    EXPECT_EQ(crossCheckImage(sText, TextForm::sRecord, image), "");

    const std::string hex = output(convert(module, {"-H"}), "app.hex");
    EXPECT_EQ(hex, ":02000002F0000C\n:0400000001020304F2\n:00000001FF\n");
    EXPECT_EQ(crossCheckImage(hex, TextForm::intelHex, image), "");

    EXPECT_EQ(output(convert(module, {"-B"}), "app.bin"),
              std::string("\0\0\0\x0C\x01\x02\x03\x04\0\x0A\0\0", 12));
}

// Two units at 0x1000 and 0x1020 of one section, 16 bytes each.
const std::vector<Section> twoUnitSection = {{1, "@AP", 0x1000, 0x30}};
const std::string twoUnitData = "SB 1\nASP 1 0x1000\n" + loadRun(16) + "ASP 1 0x1020\n" + loadRun(16, 0x20);

TEST(Emission, GapsAndTheThreeFillForms) {
    MemoryImage units;
    put(units, 0x1000, 16);
    put(units, 0x1020, 16, 0x20);
    MemoryImage zeroFilled = units;
    fill(zeroFilled, 0x1010, 0x101F, 0x00);
    MemoryImage partFilled = units;
    fill(partFilled, 0x1010, 0x1017, 0xFF);
    MemoryImage tailFilled = units;
    fill(tailFilled, 0x1010, 0x10FF, 0xAA);
    struct Case {
        std::vector<std::string> args;
        const MemoryImage *image;
    } cases[] = {
        {{}, &units},
        {{"-F", "0"}, &zeroFilled},
        {{"-F", "FF:1010:1017"}, &partFilled},
        {{"-A", "1000:10FF", "-F", "AA:1000"}, &tailFilled},  // fill start: up to the range end
    };
    for (const Case &c : cases) {
        for (bool hex : {false, true}) {
            std::vector<std::string> args = c.args;
            if (hex) args.push_back("-H");
            const std::string text = output(convert(moduleText(twoUnitSection, twoUnitData), args),
                                            hex ? "app.hex" : "app.mot");
            EXPECT_EQ(crossCheckImage(text, hex ? TextForm::intelHex : TextForm::sRecord, *c.image), "")
                << testing::PrintToString(args) << "\n" << text;
        }
    }
    // Without a fill the two records stand apart.
    const std::string plain = output(convert(moduleText(twoUnitSection, twoUnitData), {}), "app.mot");
    EXPECT_EQ(lines(plain).size(), 4u);
}

TEST(Emission, BinaryImageMatchesItsHeader) {
    const std::string bin = output(convert(moduleText(twoUnitSection, twoUnitData), {"-B"}), "app.bin");
    ASSERT_EQ(bin.size(), 0x38u);
    EXPECT_EQ(bin.substr(0, 4), std::string("\0\0\0\x38", 4));
    std::string image;
    for (int i = 0; i < 16; ++i) image += static_cast<char>(i);
    image += std::string(16, '\xFF');
    for (int i = 0; i < 16; ++i) image += static_cast<char>(0x20 + i);
    EXPECT_EQ(bin.substr(4, 48), image);
    unsigned sum = 0;
    for (char c : image) sum += static_cast<unsigned char>(c);
    EXPECT_EQ(bin.substr(52), std::string({static_cast<char>(sum >> 8), static_cast<char>(sum & 0xFF), 0, 0}));

    // A range pads before and after the data with the fill byte.
    const std::string ranged =
        output(convert(moduleText(twoUnitSection, twoUnitData), {"-B", "-A", "0FF0:103F", "-F", "0"}), "app.bin");
    ASSERT_EQ(ranged.size(), 0x50u + 8);
    EXPECT_EQ(ranged.substr(4, 16), std::string(16, '\0'));
    EXPECT_EQ(ranged.substr(4 + 0x40, 16), std::string(16, '\0'));
}

TEST(Emission, RangeClipsTheData) {
    MemoryImage image;
    put(image, 0x1008, 8, 8);
    put(image, 0x1020, 8, 0x20);
    const std::string text =
        output(convert(moduleText(twoUnitSection, twoUnitData), {"-A", "1008:1027"}), "app.mot");
    EXPECT_EQ(crossCheckImage(text, TextForm::sRecord, image), "");
}

TEST(Emission, RepeatsLongRecordsAndTheBankSplit) {
    // RE 3 repeats the next LD three times, and only that one.
    const std::string repeated = output(
        convert(moduleText(oneSection, "SB 1\nASP 1 0x0F0000\nRE 3\nLD 0A 0B\nLD 0C\n"), {}), "app.mot");
    EXPECT_EQ(lines(repeated)[1], "S20B0F00000A0B0A0B0A0B0C9A");

    const std::vector<Section> wide = {{1, "@AP", 0xFFE0, 0x40}};
    const std::string wideData = "SB 1\nASP 1 0xFFE0\n" + loadRun(0x28) + loadRun(0x18, 0x28);
    MemoryImage image;
    put(image, 0xFFE0, 0x40);
    const std::string longRecords = output(convert(moduleText(wide, wideData), {"-L"}), "app.mot");
    EXPECT_EQ(lines(longRecords).size(), 4u);  // S0, two records of 32 bytes, S8
    EXPECT_EQ(crossCheckImage(longRecords, TextForm::sRecord, image), "");

    // Intel HEX never lets a record cross 0x10000.
    const std::string hex = output(convert(moduleText(wide, wideData), {"-H"}), "app.hex");
    EXPECT_EQ(lines(hex)[0], ":020000020000FC");
    EXPECT_EQ(lines(hex)[3], ":020000021000EC");
    EXPECT_EQ(crossCheckImage(hex, TextForm::intelHex, image), "");
}

TEST(Emission, BankFormAboveOneMebibyte) {
    const std::vector<Section> high = {{1, "@AP", 0x123450, 4}};
    const RunResult run = convert(moduleText(high, "SB 1\nASP 1 0x123450\nLD 01 02 03 04\n"), {"-H"});
    EXPECT_EQ(output(run, "app.hex"), ":020000FF0012ED\n:04345000010203046E\n:00000001FF\n");
    // The data lies above the TQ40 space; the type FF records are reported last.
    EXPECT_EQ(run.out,
              "Warning (romcast): Address exceed 0FFFFFH\n\n"
              "Warning (romcast): Original HEX format is generated\n");
}

TEST(Emission, DualAreaFiles) {
    const std::vector<Section> both = {{1, "@AP", 0x1000, 4}, {2, "@AR", 0x2000, 2}};
    const std::string data = "SB 1\nASP 1 0x1000\nLD 01 02 03 04\nSB 2\nASP 2 0x2000\nLD 05 06\n";
    const RunResult run = convert(moduleText(both, data, "TQ40/51X"), {});
    EXPECT_EQ(run.out, "\n");
    EXPECT_EQ(crossCheckImage(output(run, "app.mcd"), TextForm::sRecord, {{0x1000, 1}, {0x1001, 2}, {0x1002, 3}, {0x1003, 4}}), "");
    EXPECT_EQ(crossCheckImage(output(run, "app.mdt"), TextForm::sRecord, {{0x2000, 5}, {0x2001, 6}}), "");

    const RunResult hex = convert(moduleText(both, data, "TQ40/51X"), {"-H", "-L"});
    EXPECT_EQ(crossCheckImage(output(hex, "app.hdt"), TextForm::intelHex, {{0x2000, 5}, {0x2001, 6}}), "");

    // No ROM data: the second file is still complete, and warning 3 says why it is empty.
    const std::vector<Section> codeOnly = {{1, "@AP", 0x1000, 4}, {2, "@AR", 0x2000, 2}};
    const RunResult empty =
        convert(moduleText(codeOnly, "SB 1\nASP 1 0x1000\nLD 01 02 03 04\n", "TQ40/51X"), {});
    EXPECT_EQ(output(empty, "app.mdt"), "S0030000FC\nS804000000FB\n");
    EXPECT_EQ(empty.out, "Warning (romcast): 'app.tqx' does not contain object data in 'ROMDATA' section\n\n");
    const RunResult noCode =
        convert(moduleText(codeOnly, "SB 2\nASP 2 0x2000\nLD 05 06\n", "TQ40/51X"), {});
    EXPECT_EQ(noCode.out, "Warning (romcast): 'app.tqx' does not contain object data in 'CODE' section \n\n");
}

// ID code "#0123456789ABCD" and the protect byte reach every text output once.
const std::uint8_t idCode[7] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD};
const std::uint32_t idLow[7] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};

MemoryImage withSecurity(MemoryImage image, std::uint32_t page, std::uint32_t protectAddress, std::uint8_t protect) {
    for (int i = 0; i < 7; ++i) image[page + idLow[i]] = idCode[i];
    image[protectAddress] = protect;
    return image;
}

TEST(Emission, IdCodeAndProtectByteReachTheOutputOnce) {
    const std::vector<Section> low = {{1, "@AP", 0x1000, 0x100}};
    const std::string lowData = "SB 1\nASP 1 0x1000\n" + loadRun(0x80) + loadRun(0x80, 0x80);
    MemoryImage lowImage;
    put(lowImage, 0x1000, 0x100);
    // Units around the ID page leave a one-byte gap at its first ID byte.
    const std::vector<Section> top = {{1, "@AP", 0xFFF00, 0x100}};
    const std::string topData = "SB 1\nASP 1 0xFFF00\n" + loadRun(0xDF) + "ASP 1 0xFFFE0\n" + loadRun(0x20, 0xE0);
    MemoryImage topImage;
    put(topImage, 0xFFF00, 0xDF);
    put(topImage, 0xFFFE0, 0x20, 0xE0);
    MemoryImage topFilled = topImage;
    fill(topFilled, 0x1000, 0xFFEFF, 0xEE);

    struct Case {
        const char *name;
        const std::vector<Section> *sections;
        const std::string *data;
        std::vector<std::string> args;
        MemoryImage image;
    } cases[] = {
        {"above the data", &low, &lowData, {"-ID#0123456789ABCD"},
         withSecurity(lowImage, 0xFFF00, 0xFFFFF, 0xFF)},
        {"fill start, no range", &low, &lowData, {"-ID#0123456789ABCD", "-F", "EE:1000", "-protectx", "5A"},
         withSecurity(lowImage, 0xFFF00, 0xFFFFF, 0x5A)},
        {"fill end below", &low, &lowData, {"-ID#0123456789ABCD", "-F", "EE:1000:1FFF", "-protect1"},
         withSecurity([&] { MemoryImage m = lowImage; fill(m, 0x1000, 0x1FFF, 0xEE); return m; }(), 0xFFF00, 0xFFFFF, 0x3F)},
        {"one-byte gap, fill start", &top, &topData, {"-ID#0123456789ABCD", "-F", "EE:FFF00"},
         withSecurity(topImage, 0xFFF00, 0xFFFFF, 0xFF)},
        {"one-byte gap, fill byte", &top, &topData, {"-ID#0123456789ABCD", "-F", "EE"},
         withSecurity(topImage, 0xFFF00, 0xFFFFF, 0xFF)},
        {"TQ8", &low, &lowData, {"-TQ8", "-ID#0123456789ABCD", "-ofsreg2"},
         withSecurity(lowImage, 0xFF00, 0xFFFF, 0xF3)},
    };
    for (const Case &c : cases) {
        for (bool hex : {false, true}) {
            std::vector<std::string> args = c.args;
            if (hex) args.push_back("-H");
            const std::string text =
                output(convert(moduleText(*c.sections, *c.data), args), hex ? "app.hex" : "app.mot");
            EXPECT_EQ(crossCheckImage(text, hex ? TextForm::intelHex : TextForm::sRecord, c.image), "")
                << c.name << (hex ? " (Intel HEX)\n" : " (S-records)\n") << text;
        }
    }
}

TEST(Emission, BinaryImageTakesTheSecurityBytes) {
    const std::vector<Section> top = {{1, "@AP", 0xFFF00, 0x100}};
    const RunResult run = convert(moduleText(top, "SB 1\nASP 1 0xFFF00\n" + loadRun(0x10)), {"-B", "-ID#0123456789ABCD"});
    const std::string bin = output(run, "app.bin");
    ASSERT_EQ(bin.size(), 0x108u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(static_cast<std::uint8_t>(bin[4 + idLow[i]]), idCode[i]);
    EXPECT_EQ(static_cast<std::uint8_t>(bin[4 + 0xFF]), 0xFF);
    EXPECT_EQ(run.out, "\n");

    const std::vector<Section> low = {{1, "@AP", 0x1000, 4}};
    const RunResult outside = convert(moduleText(low, "SB 1\nASP 1 0x1000\nLD 01 02 03 04\n"), {"-B", "-protectx", "12"});
    EXPECT_EQ(outside.out,
              "Warning (romcast): The protect byte at 0FFFFFH lies outside the binary image and is not written\n\n");
}

TEST(Emission, DataAboveTheTargetSpaceIsWrittenWithAWarning) {
    const std::vector<Section> edge = {{1, "@AP", 0xFFFF0, 0x20}};
    const RunResult run = convert(moduleText(edge, "SB 1\nASP 1 0xFFFF0\n" + loadRun(0x20)), {});
    EXPECT_EQ(run.out, "Warning (romcast): Address exceed 0FFFFFH\n\n");
    MemoryImage image;
    put(image, 0xFFFF0, 0x20);
    EXPECT_EQ(crossCheckImage(output(run, "app.mot"), TextForm::sRecord, image), "");
}

TEST(Emission, ErrorsDuringEmissionLeaveNoOutput) {
    struct Case {
        const char *name;
        std::string module;
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {"binary going back",
         moduleText(twoUnitSection, "SB 1\nASP 1 0x1000\n" + loadRun(16) + "ASP 1 0x1008\nLD 01\n"), {"-B"},
         "Error (romcast): Data at address 01008H of 'app.tqx' lies below data already written to the binary image\n"},
        {"no ME after the trailer", moduleText(oneSection, oneSectionData, "TQ40", "ASG 0\n"), {},
         "Error (romcast): Illegal file format `app.tqx' is used\n"},
        {"dual area, second file", moduleText({{1, "@AP", 0x1000, 4}, {2, "@AR", 0x2000, 2}},
                                               "SB 1\nASP 1 0x1000\nLD 01 02 03 04\nSB 2\nASP 2 0x2000\nLD 05 06\n",
                                               "TQ40/51X", "ASG 0\n"),
         {}, "Error (romcast): Illegal file format `app.tqx' is used\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "-.");
        args.push_back("app");
        const RunResult run = runRomcast(args, {{"app.tqx", assembleModule(c.module)}});
        EXPECT_EQ(run.exitStatus, 3) << c.name << "\n" << describeRun(run);
        EXPECT_EQ(run.out, c.message) << c.name;
        EXPECT_TRUE(run.files.empty()) << c.name << "\n" << describeRun(run);
    }
}

// The expected outputs of the writing cases were reviewed by eye; the independent
// reader checks them too, so that no checksum or count slip hides in a golden file.
// Type FF records are this converter's own, which no other reader knows.
TEST(Emission, WritingCaseOutputsReadCleanly) {
    const std::filesystem::path cases = std::filesystem::path(ROMCAST_SOURCE_DIR) / "tests/e2e/cases/writing";
    int checked = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(cases)) {
        const std::string ext = entry.path().extension().string();
        const bool sRecord = ext == ".mot" || ext == ".mcd" || ext == ".mdt";
        const bool hex = ext == ".hex" || ext == ".hcd" || ext == ".hdt";
        if (!entry.is_regular_file() || !(sRecord || hex)) continue;
        const std::string text = readFileBytes(entry.path().string());
        if (text.find(":020000FF") != std::string::npos) continue;
        MemoryImage seen;
        EXPECT_EQ(readWithSrecCat(text, sRecord ? TextForm::sRecord : TextForm::intelHex, seen), "")
            << entry.path();
        EXPECT_FALSE(seen.empty()) << entry.path();
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

}  // namespace
