#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ieee695/moduleBytes.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleTrees.h"
#include "ieee695/recordReader.h"

namespace {

// Sections of every kind, read in this order:
const std::vector<TestSection> mixedSections = {
    {1, "AP", "P1", 0x100, 0x2000},  // s0
    {2, "AR", "R1", 0x10, 0x1000},   // s1
    {3, "AD", "D1", 0x10, 0x0500},   // s2: loads nothing
    {4, "AP", "Z0", 0, 0x0100},      // s3: size 0
    {5, "AX", "X1", 0x20, 0x2000},   // s4: same base as s0, read later
    {1, "AP", "P1b", 0x8, 0x3000},   // s5: same index as s0
};
// Units u0..u8 in the order of their ASP records.
const std::vector<TestUnit> mixedUnits = {
    {1, 0x2010, 2}, {2, 0x1000, 1}, {1, 0x2000, 1}, {5, 0x2000, 3}, {4, 0x0100, 1},
    {3, 0x0500, 1}, {9, 0x9000, 1}, {2, 0x1000, 4}, {1, 0x2000, 2},
};

BuiltModule built;

void readModule(const TestModule &module, std::uint32_t flags = 0) {
    built = buildModule(module);
    startReading(built.bytes, flags);
    readModuleHeader();
    readSectionPart();
    readDataPart();
    rebuildUnitTrees();
}

std::vector<std::string> sectionNames(SectionTree &tree) {
    std::vector<std::string> names;
    for (const SectionNode *section : walkSections(tree)) names.emplace_back(section->name);
    return names;
}

// The units of a walk as the numbers of their ASP records (u0 is 0).
std::vector<int> unitNumbers(UnitTree &tree) {
    std::vector<int> numbers;
    for (const UnitNode &unit : walkUnits(tree)) {
        int number = -1;
        for (std::size_t i = 0; i < built.unitSeeks.size(); ++i)
            if (built.unitSeeks[i] == unit.seek) number = static_cast<int>(i);
        EXPECT_EQ(unit.section, mixedUnits[static_cast<std::size_t>(number)].section);
        EXPECT_EQ(unit.address, mixedUnits[static_cast<std::size_t>(number)].address);
        numbers.push_back(number);
    }
    return numbers;
}

using Names = std::vector<std::string>;
using Numbers = std::vector<int>;

TEST(ModuleTrees, NormalMode) {
    readModule({"TQ40", mixedSections, mixedUnits});
    EXPECT_EQ(sectionNames(normSecRoot), (Names{"R1", "P1", "X1", "P1b"}));
    const auto &sections = walkSections(normSecRoot);
    EXPECT_EQ(sections[1]->index, 1u);
    EXPECT_EQ(sections[1]->type, 0xC1D0u);
    EXPECT_EQ(sections[1]->address, 0x2000u);
    EXPECT_EQ(unitNumbers(sections[0]->units), (Numbers{1, 7}));
    EXPECT_EQ(unitNumbers(sections[1]->units), (Numbers{2, 8, 0}));
    EXPECT_EQ(unitNumbers(sections[2]->units), (Numbers{3}));
    EXPECT_EQ(unitNumbers(sections[3]->units), (Numbers{2, 8, 0}));  // every section of index 1
    EXPECT_EQ(unitNumbers(normUnitRoot), (Numbers{1, 7, 2, 8, 3, 2, 8, 0, 0}));
    EXPECT_EQ(settings.lowestSectionAddress, 0x1000u);
    EXPECT_EQ(settings.highestSectionAddress, 0x3007u);
    EXPECT_FALSE(hasFlag(flag::above1MB));
    for (SectionTree *tree : {&codeSecRoot, &romdataSecRoot}) EXPECT_TRUE(walkSections(*tree).empty());
    for (UnitTree *tree : {&codeUnitRoot, &romdataUnitRoot}) EXPECT_TRUE(walkUnits(*tree).empty());
    // 4 ASW records, 5 sections of nonzero size, 4 section nodes, 9 unit nodes, 9 copies.
    EXPECT_EQ(settings.progressTicks, 4u + 5 + 4 + 9 + 9);
    finishReading();
}

TEST(ModuleTrees, DualAreaMode) {
    readModule({"TQ40/51X", mixedSections, mixedUnits});
    EXPECT_EQ(sectionNames(codeSecRoot), (Names{"P1", "P1b"}));
    EXPECT_EQ(sectionNames(romdataSecRoot), (Names{"R1"}));
    EXPECT_EQ(unitNumbers(codeUnitRoot), (Numbers{2, 8, 2, 8, 0, 0}));
    EXPECT_EQ(unitNumbers(romdataUnitRoot), (Numbers{1, 7}));
    // The 'X' section is counted in the extent though it is stored nowhere.
    EXPECT_EQ(settings.lowestSectionAddress, 0x1000u);
    EXPECT_EQ(settings.highestSectionAddress, 0x3007u);
    EXPECT_TRUE(walkSections(normSecRoot).empty());
    EXPECT_TRUE(walkUnits(normUnitRoot).empty());
    finishReading();
}

TEST(ModuleTrees, CodeSectionsTakeAUnitBeforeRomDataOfTheSameIndex) {
    readModule({"TQ40/51X", {{7, "AR", "data", 0x10, 0x100}, {7, "AP", "code", 0x10, 0x200}}, {{7, 0x100, 1}}});
    ASSERT_EQ(walkUnits(codeUnitRoot).size(), 1u);
    EXPECT_TRUE(walkUnits(romdataUnitRoot).empty());
    EXPECT_TRUE(walkUnits(walkSections(romdataSecRoot)[0]->units).empty());
    finishReading();
}

TEST(ModuleTrees, ExtentAndTheOneMegabyteMark) {
    const struct {
        std::vector<TestSection> sections;
        std::uint32_t lowest;
        std::uint32_t highest;
        bool above1MB;
    } cases[] = {
        {{{1, "AP", "a", 0x100, 0xFFF00}}, 0xFFF00, 0xFFFFF, false},
        {{{1, "AP", "a", 0x101, 0xFFF00}}, 0xFFF00, 0x100000, true},
        {{{1, "AD", "d", 0x200000, 0x0}}, 0xFFFFFF, 0, false},  // 'D' does not count
        {{{1, "AP", "z", 0, 0x200000}}, 0xFFFFFF, 0, false},    // nor does size 0
        {{}, 0xFFFFFF, 0, false},
    };
    for (const auto &c : cases) {
        readModule({"TQ40", c.sections, {}});
        EXPECT_EQ(settings.lowestSectionAddress, c.lowest);
        EXPECT_EQ(settings.highestSectionAddress, c.highest);
        EXPECT_EQ(hasFlag(flag::above1MB), c.above1MB);
        finishReading();
    }
}

TEST(ModuleTrees, DataPartMayEndWithMe) {
    TestModule module{"TQ40", {{1, "AP", "a", 0x10, 0}}, {{1, 0, 4}}};
    module.trailer = {0xE1};
    readModule(module);
    EXPECT_EQ(walkUnits(normUnitRoot).size(), 1u);
    finishReading();
}

TEST(ModuleTrees, RepeatedAndSectionRecordsInTheDataPart) {
    TestModule module{"TQ40", {{1, "AP", "a", 0x10, 0}}, {{1, 8, 4}}};
    module.rawData = {0xF7, 0x03, 0xED, 0x01, 0xAA, 0xE5, 0x01};  // RE 3, LD AA, SB 1
    readModule(module);
    EXPECT_EQ(walkUnits(normUnitRoot).size(), 1u);
    finishReading();
}

Bytes sectionRecords(std::initializer_list<int> bytes) {
    Bytes out;
    addBytes(out, bytes);
    return out;
}

TEST(ModuleTreesDeathTest, MalformedSectionAndDataParts) {
    const std::string illegal = "Illegal file format `app.tqx' is used";
    Bytes longName;
    addType(longName, rec::ST);
    addNumber(longName, 1);
    addLetters(longName, "AP");
    addName(longName, std::string(256, 'n'));
    const Bytes stHead = sectionRecords({0xE6, 0x01, 0xC1, 0xD0, 0x01, 'p', 0xE7, 0x01, 0x02});
    auto withTail = [&](std::initializer_list<int> tail) {
        Bytes out = stHead;
        addBytes(out, tail);
        return out;
    };
    const struct {
        Bytes rawSections;
        Bytes rawData;
        Bytes trailer;
    } cases[] = {
        {withTail({0xE2, 0xCC, 0x01, 0x00}), {}, {0xE1}},                            // no ASS
        {withTail({0xE2, 0xD3, 0x01, 0x10, 0xE1}), {}, {0xE1}},                      // no ASL
        {withTail({0xE2, 0xD3, 0x01, 0x10, 0x05, 0xA5, 0xE2, 0xCC, 0x01, 0x00}), {}, {0xE1}},  // an expression
        {withTail({0xE2, 0xD3, 0x01, 0x80, 0xE2, 0xCC, 0x01, 0x00}), {}, {0xE1}},    // omitted
        {withTail({0xE2, 0xD3, 0x01, 0x10, 0xE2, 0xCC, 0x01, 0x85, 0, 0, 0, 0, 1}), {}, {0xE1}},  // five bytes
        {longName, {}, {0xE1}},
        {{}, {0xF0, 0x01, 0x00}, {0xE1}},                                            // NN in the data part
        {{}, {0xF1, 0xCE, 0x00, 0x00, 0x26, 0x01}, {0xE1}},                          // ATN
        {{}, {0xE2, 0xD0, 0x01, 0x80}, {0xE1}},                                      // ASP without an address
        {{}, {0xE2, 0xD0, 0x01, 0x84, 0x00, 0x01}, {0xE1}},                          // cut short
        {{}, {}, {}},                                                                // the file ends
    };
    for (const auto &c : cases) {
        TestModule module{"TQ40", {{1, "AP", "a", 0x10, 0}}, {{1, 0, 1}}};
        module.rawSections = c.rawSections;
        module.rawData = c.rawData;
        module.trailer = c.trailer;
        const BuiltModule bad = buildModule(module);
        startReading(bad.bytes);
        readModuleHeader();
        EXPECT_RUN_ENDS(
            {
                readSectionPart();
                readDataPart();
            },
            3, illegal)
            << testing::PrintToString(c.rawSections) << testing::PrintToString(c.rawData);
        finishReading();
    }
}

}  // namespace
