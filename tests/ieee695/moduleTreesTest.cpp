#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testConversion.h"
#include "e2e/harness.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/readerTestSupport.h"

namespace {

std::string section(int index, const char *letters, const char *name, const char *size, const char *base) {
    const std::string i = std::to_string(index);
    return "ST " + i + " @" + letters + " \"" + name + "\"\nSA " + i + " 2\nASS " + i + " " + size + "\nASL " + i +
           " " + base + "\n";
}

std::string unit(int index, const char *address) {
    const std::string i = std::to_string(index);
    return "SB " + i + "\nASP " + i + " " + address + "\nLD 01\n";
}

// Sections of every kind, s0 to s5 in reading order, and units u0 to u8 in the
// order of their ASP records.
const std::string mixedSections = section(1, "AP", "P1", "0x100", "0x2000") +  // s0
                                  section(2, "AR", "R1", "0x10", "0x1000") +   // s1
                                  section(3, "AD", "D1", "0x10", "0x500") +    // s2: loads nothing
                                  section(4, "AP", "Z0", "0", "0x100") +       // s3: size 0
                                  section(5, "AX", "X1", "0x20", "0x2000") +   // s4: s0's base, read later
                                  section(1, "AP", "P1b", "8", "0x3000");      // s5: s0's index
const std::string mixedUnits = unit(1, "0x2010") + unit(2, "0x1000") + unit(1, "0x2000") + unit(5, "0x2000") +
                               unit(4, "0x100") + unit(3, "0x500") + unit(9, "0x9000") + unit(2, "0x1000") +
                               unit(1, "0x2000");

std::vector<std::uint32_t> aspOffsets;  // of the module read last, ascending

void readModule(const ModuleText &text) {
    const std::string bytes = assembleModule(moduleText(text));
    aspOffsets.clear();
    for (std::size_t at = bytes.find("\xE2\xD0"); at != std::string::npos; at = bytes.find("\xE2\xD0", at + 1))
        aspOffsets.push_back(static_cast<std::uint32_t>(at));
    startReading(bytes);
    readModuleHeader(conv);
    readSectionPart(conv);
    readDataPart(conv);
    rebuildUnitTrees(conv);
}

using Names = std::vector<std::string>;
using Numbers = std::vector<int>;

Names sectionNames(SectionTree &tree) {
    Names names;
    for (const SectionNode *node : walkSections(tree)) names.emplace_back(node->name);
    return names;
}

// A walk as the numbers of the units' ASP records (u0 is 0).
Numbers unitNumbers(UnitTree &tree) {
    Numbers numbers;
    for (const UnitNode &node : walkUnits(tree))
        numbers.push_back(static_cast<int>(std::find(aspOffsets.begin(), aspOffsets.end(), node.seek) - aspOffsets.begin()));
    return numbers;
}

// Equal keys keep their reading order in every walk; a unit joins every section
// of its index.
TEST(ModuleTrees, NormalMode) {
    readModule({.sections = mixedSections, .data = mixedUnits});
    EXPECT_EQ(sectionNames(conv.trees.normSecRoot), (Names{"R1", "P1", "X1", "P1b"}));
    const auto &sections = walkSections(conv.trees.normSecRoot);
    const Numbers unitsOfEach[] = {{1, 7}, {2, 8, 0}, {3}, {2, 8, 0}};  // every section of index 1
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(unitNumbers(sections[i]->units), unitsOfEach[i]) << i;
    EXPECT_EQ(unitNumbers(conv.trees.normUnitRoot), (Numbers{1, 7, 2, 8, 3, 2, 8, 0, 0}));
    EXPECT_EQ(conv.settings.lowestSectionAddress, 0x1000u);
    EXPECT_EQ(conv.settings.highestSectionAddress, 0x3007u);
    EXPECT_TRUE(walkSections(conv.trees.codeSecRoot).empty() && walkUnits(conv.trees.romdataUnitRoot).empty());
    // 4 ASW records, 5 sections of nonzero size, 4 section nodes, 9 unit nodes, 9 copies.
    EXPECT_EQ(conv.settings.progressTicks, 4u + 5 + 4 + 9 + 9);
    finishReading();
}

TEST(ModuleTrees, DualAreaMode) {
    readModule({.processor = "TQ40/51X", .sections = mixedSections, .data = mixedUnits});
    EXPECT_EQ(sectionNames(conv.trees.codeSecRoot), (Names{"P1", "P1b"}));
    EXPECT_EQ(sectionNames(conv.trees.romdataSecRoot), (Names{"R1"}));
    EXPECT_EQ(unitNumbers(conv.trees.codeUnitRoot), (Numbers{2, 8, 2, 8, 0, 0}));
    EXPECT_EQ(unitNumbers(conv.trees.romdataUnitRoot), (Numbers{1, 7}));
    // The 'X' section counts in the extent though no tree holds it.
    EXPECT_EQ(conv.settings.highestSectionAddress, 0x3007u);
    EXPECT_TRUE(walkSections(conv.trees.normSecRoot).empty() && walkUnits(conv.trees.normUnitRoot).empty());
    finishReading();

    // A code section takes a unit before a ROM data section of the same index.
    readModule({.processor = "TQ40/51X",
                .sections = section(7, "AR", "data", "0x10", "0x100") + section(7, "AP", "code", "0x10", "0x200"),
                .data = unit(7, "0x100")});
    EXPECT_EQ(unitNumbers(conv.trees.codeUnitRoot), (Numbers{0}));
    EXPECT_TRUE(walkUnits(conv.trees.romdataUnitRoot).empty());
    finishReading();
}

TEST(ModuleTrees, ExtentAndTheOneMegabyteMark) {
    const struct { std::string sections; std::uint32_t lowest, highest; bool above1MB; } cases[] = {
        {section(1, "AP", "a", "0x100", "0xFFF00"), 0xFFF00, 0xFFFFF, false},
        {section(1, "AP", "a", "0x101", "0xFFF00"), 0xFFF00, 0x100000, true},
        {section(1, "AD", "d", "0x200000", "0"), 0xFFFFFF, 0, false},
        {section(1, "AP", "z", "0", "0x200000"), 0xFFFFFF, 0, false},
        {"", 0xFFFFFF, 0, false},
    };
    for (const auto &c : cases) {
        readModule({.sections = c.sections});
        EXPECT_EQ(conv.settings.lowestSectionAddress, c.lowest);
        EXPECT_EQ(conv.settings.highestSectionAddress, c.highest);
        EXPECT_EQ(conv.settings.has(flag::above1MB), c.above1MB);
        finishReading();
    }
}

}  // namespace
