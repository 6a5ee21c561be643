#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "testConversion.h"
#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"
#include "listing/treeListing.h"

namespace {

// Values overflowing their columns (a seven-digit seek, a three-digit section
// number, a three-letter section type), which no module of the end-to-end
// cases listing/ can hold; row wrapping, empty sections and the dual-area
// banners are listed there. The trees are built by hand.
TEST(TreeListing, WideValuesOverflowTheirColumns) {
    initRunSettings(conv);
    clearModuleTrees(conv);
    conv.settings.set(flag::debugListing);
    conv.settings.debugFile = std::tmpfile();
    ASSERT_NE(conv.settings.debugFile, nullptr);
    const UnitNode unit = {123, 0x1000000, 0x9ABCDEF};
    SectionNode section;
    section.name = "FAR";
    section.address = 0x1000000;
    section.type = 0xC1D3D0;
    section.index = 123;
    section.units.nodes.push_back(unit);
    conv.trees.normSecRoot.nodes.push_back(&section);
    conv.trees.normUnitRoot.nodes.push_back(unit);

    testing::internal::CaptureStdout();
    listSectionTrees(conv);
    listUnitTrees(conv);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Make .dbg file \n");
    std::string file;
    std::rewind(conv.settings.debugFile);
    for (int c; (c = std::fgetc(conv.settings.debugFile)) != EOF;) file += static_cast<char>(c);
    EXPECT_EQ(file,
              "****************** \n*  normSecRoot   * \n****************** \n"
              "  SECNAME: FAR \n"
              "  SECADD : 1000000h  SECTYPE: C1D3D0  SECNUM:123 \n"
              "   [START: 1000000h  SEEK: 9ABCDEFh]\n"
              "\n\n"
              "****************** \n*  normUnitRoot  * \n****************** \n"
              "   [SECNUM: 123 START: 1000000h]");
    clearModuleTrees(conv);
    std::fclose(conv.settings.debugFile);
    conv.settings.debugFile = nullptr;
}

}  // namespace
