#include "listing/treeListing.h"

#include <cstdio>

#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"

namespace {

// The section banners and the normal-mode unit banner share the short frame;
// the dual-area unit titles are one column wider, and so is their frame.
const char sectionFrame[] = "****************** \n";
const char dualUnitFrame[] = "******************* \n";

// Unit items run three to a line. The counter carries over from the code units
// to the ROM data units, so it lives for the whole run.
int itemCount = 0;

// Every item but the first three of a run starts by ending the line before it.
void placeItem(std::FILE *out) {
    if (itemCount == 3) {
        std::fputs("\n", out);
        itemCount = 1;
    } else {
        ++itemCount;
    }
}

void writeBanner(std::FILE *out, const char *frame, const char *title) {
    std::fputs(frame, out);
    std::fputs(title, out);
    std::fputs(frame, out);
}

void listSections(std::FILE *out, SectionTree &tree) {
    for (SectionNode *section : walkSections(tree)) {
        std::fprintf(out, "  SECNAME: %s \n", section->name);
        std::fprintf(out, "  SECADD : %6Xh  SECTYPE: %6X  SECNUM:%3d \n",
                     static_cast<unsigned>(section->address), static_cast<unsigned>(section->type),
                     static_cast<int>(section->index));
        itemCount = 0;
        for (const UnitNode &unit : walkUnits(section->units)) {
            placeItem(out);
            std::fprintf(out, "   [START: %6Xh  SEEK: %6Xh]", static_cast<unsigned>(unit.address),
                         static_cast<unsigned>(unit.seek));
        }
        std::fputs("\n\n", out);
    }
}

void listUnits(std::FILE *out, UnitTree &tree) {
    for (const UnitNode &unit : walkUnits(tree)) {
        placeItem(out);
        std::fprintf(out, "   [SECNUM: %2d START: %6Xh]", static_cast<int>(unit.section),
                     static_cast<unsigned>(unit.address));
    }
}

}  // namespace

void listSectionTrees() {
    if (!hasFlag(flag::debugListing)) return;
    std::fputs(" Make .dbg file \n", stdout);
    std::FILE *out = settings.debugFile;
    if (!hasFlag(flag::dualArea)) {
        writeBanner(out, sectionFrame, "*  normSecRoot   * \n");
        listSections(out, normSecRoot);
    } else {
        writeBanner(out, sectionFrame, "* codeSecRoot    * \n");
        listSections(out, codeSecRoot);
        writeBanner(out, sectionFrame, "* romdataSecRoot * \n");
        listSections(out, romdataSecRoot);
    }
}

void listUnitTrees() {
    itemCount = 0;
    if (!hasFlag(flag::debugListing)) return;
    std::FILE *out = settings.debugFile;
    std::fputs("\n", out);
    if (!hasFlag(flag::dualArea)) {
        writeBanner(out, sectionFrame, "*  normUnitRoot  * \n");
        listUnits(out, normUnitRoot);
    } else {
        // The ROM data banner follows the last code item on its line: no break,
        // and the item count runs on.
        writeBanner(out, dualUnitFrame, "* codeUnitRoot    * \n");
        listUnits(out, codeUnitRoot);
        writeBanner(out, dualUnitFrame, "* romdataUnitRoot * \n");
        listUnits(out, romdataUnitRoot);
    }
}
