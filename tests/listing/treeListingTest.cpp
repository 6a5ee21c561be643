#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"
#include "listing/treeListing.h"

namespace {

struct UnitSpec {
    std::uint32_t section;
    std::uint32_t address;
    std::uint32_t seek;
};

struct SectionSpec {
    const char *name;
    std::uint32_t address;
    std::uint32_t type;
    std::uint32_t index;
    std::vector<UnitSpec> units;
};

// Builds the trees by hand, in walk order, and lists them into a temporary file.
class TreeListing : public testing::Test {
protected:
    std::deque<SectionNode> sectionStore;

    void SetUp() override {
        initRunSettings();
        setFlag(flag::debugListing);
        settings.debugFile = std::tmpfile();
        ASSERT_NE(settings.debugFile, nullptr);
    }

    void TearDown() override {
        clearModuleTrees();
        std::fclose(settings.debugFile);
        settings.debugFile = nullptr;
    }

    void addSections(SectionTree &tree, const std::vector<SectionSpec> &specs) {
        for (const SectionSpec &spec : specs) {
            SectionNode &node = sectionStore.emplace_back();
            node.name = spec.name;
            node.address = spec.address;
            node.type = spec.type;
            node.index = spec.index;
            for (const UnitSpec &u : spec.units) node.units.nodes.push_back({u.section, u.address, u.seek});
            tree.nodes.push_back(&node);
        }
    }

    static void addUnits(UnitTree &tree, const std::vector<UnitSpec> &units) {
        for (const UnitSpec &u : units) tree.nodes.push_back({u.section, u.address, u.seek});
    }

    // Runs both listings; returns standard output and the listing file.
    std::pair<std::string, std::string> list() {
        testing::internal::CaptureStdout();
        listSectionTrees();
        listUnitTrees();
        std::string console = testing::internal::GetCapturedStdout();
        std::string file;
        std::rewind(settings.debugFile);
        for (int c; (c = std::fgetc(settings.debugFile)) != EOF;) file += static_cast<char>(c);
        return {console, file};
    }
};

// Widths overflowing their columns (seven hex digits, three decimal digits)
// and the section without units; the dual-area banners and the item count
// carried from code to ROM data units are in the end-to-end case listing/dualArea.
TEST_F(TreeListing, NormalModeSectionsAndMergedUnits) {
    addSections(normSecRoot,
                {{"P", 0xF0000, 0xD0, 1, {{1, 0xF0000, 0x40}, {1, 0xF0010, 0x52}, {1, 0xF0020, 0x64}, {1, 0xF0100, 0x1234}}},
                 {"EMPTY", 0xF0000, 0xC1D3D0, 12, {}},
                 {"FAR", 0x1000000, 0xD2, 123, {{123, 0x1000000, 0x9ABCDEF}}}});
    addUnits(normUnitRoot,
             {{1, 0xF0000, 0x40}, {1, 0xF0010, 0x52}, {1, 0xF0020, 0x64}, {1, 0xF0100, 0x1234},
              {123, 0x1000000, 0x9ABCDEF}});
    const auto [console, file] = list();
    EXPECT_EQ(console, " Make .dbg file \n");
    EXPECT_EQ(file,
              "****************** \n"
              "*  normSecRoot   * \n"
              "****************** \n"
              "  SECNAME: P \n"
              "  SECADD :  F0000h  SECTYPE:     D0  SECNUM:  1 \n"
              "   [START:  F0000h  SEEK:     40h]   [START:  F0010h  SEEK:     52h]"
              "   [START:  F0020h  SEEK:     64h]\n"
              "   [START:  F0100h  SEEK:   1234h]\n"
              "\n"
              "  SECNAME: EMPTY \n"
              "  SECADD :  F0000h  SECTYPE: C1D3D0  SECNUM: 12 \n"
              "\n"
              "\n"
              "  SECNAME: FAR \n"
              "  SECADD : 1000000h  SECTYPE:     D2  SECNUM:123 \n"
              "   [START: 1000000h  SEEK: 9ABCDEFh]\n"
              "\n"
              "\n"
              "****************** \n"
              "*  normUnitRoot  * \n"
              "****************** \n"
              "   [SECNUM:  1 START:  F0000h]   [SECNUM:  1 START:  F0010h]   [SECNUM:  1 START:  F0020h]\n"
              "   [SECNUM:  1 START:  F0100h]   [SECNUM: 123 START: 1000000h]");
}

TEST_F(TreeListing, EmptyTreesGiveOnlyTheirBanners) {
    const auto [console, file] = list();
    EXPECT_EQ(console, " Make .dbg file \n");
    EXPECT_EQ(file,
              "****************** \n*  normSecRoot   * \n****************** \n"
              "\n"
              "****************** \n*  normUnitRoot  * \n****************** \n");
}

TEST_F(TreeListing, WithoutDebugNothingIsWritten) {
    clearFlag(flag::debugListing);
    addSections(normSecRoot, {{"P", 0x100, 0xD0, 1, {{1, 0x100, 0x40}}}});
    addUnits(normUnitRoot, {{1, 0x100, 0x40}});
    const auto [console, file] = list();
    EXPECT_EQ(console, "");
    EXPECT_EQ(file, "");
}

}  // namespace
