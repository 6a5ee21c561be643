#include "listing/treeListing.h"

#include <cstdio>
#include <vector>

#include "core/conversion.h"
#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"

namespace {

// The section banners and the normal-mode unit banner share the short frame;
// the dual-area unit titles are one column wider, and so is their frame.
const char sectionFrame[] = "****************** \n";
const char dualUnitFrame[] = "******************* \n";

// Unit items run three to a line. The counter carries over from the code units
// to the ROM data units, so it lives for the whole run.

// Every item but the first three of a run starts by ending the line before it.
void placeItem(Conversion &conv, std::FILE *out) {
    if (conv.listingItemCount == 3) {
        std::fputs("\n", out);
        conv.listingItemCount = 1;
    } else {
        ++conv.listingItemCount;
    }
}

void writeBanner(std::FILE *out, const char *frame, const char *title) {
    std::fputs(frame, out);
    std::fputs(title, out);
    std::fputs(frame, out);
}

// Each section with its own units: those of the kind's unit tree that name the
// first section of its index, which stands for every section of that index.
void listSections(Conversion &conv, std::FILE *out, SectionTree &sections, UnitTree &units) {
    const std::vector<SectionNode> &walk = walkSections(sections);
    std::vector<std::uint32_t> firstOfIndex(walk.size(), noPlace);
    for (std::uint32_t place = 0; place < walk.size(); ++place) {
        if (firstOfIndex[place] != noPlace) continue;
        for (std::uint32_t p = place; p != noPlace && p < units.nextPlace.size(); p = units.nextPlace[p])
            firstOfIndex[p] = place;
        firstOfIndex[place] = place;
    }
    for (std::uint32_t place = 0; place < walk.size(); ++place) {
        const SectionNode &section = walk[place];
        std::fprintf(out, "  SECNAME: %s \n", section.name.c_str());
        std::fprintf(out, "  SECADD : %6Xh  SECTYPE: %6X  SECNUM:%3d \n",
                     static_cast<unsigned>(section.address), static_cast<unsigned>(section.type),
                     static_cast<int>(section.index));
        conv.listingItemCount = 0;
        for (const UnitNode &unit : walkUnits(units)) {
            if (unit.section != firstOfIndex[place]) continue;
            placeItem(conv, out);
            std::fprintf(out, "   [START: %6Xh  SEEK: %6Xh]", static_cast<unsigned>(unit.address),
                         static_cast<unsigned>(unit.seek));
        }
        std::fputs("\n\n", out);
    }
}

void listUnits(Conversion &conv, std::FILE *out, UnitTree &units, SectionTree &sections) {
    const std::vector<SectionNode> &walk = walkSections(sections);
    UnitWalk unitWalk(units);
    const UnitNode *unit = nullptr;
    std::uint32_t place = 0;
    while (unitWalk.next(unit, place)) {
        placeItem(conv, out);
        std::fprintf(out, "   [SECNUM: %2d START: %6Xh]", static_cast<int>(walk[place].index),
                     static_cast<unsigned>(unit->address));
    }
}

}  // namespace

void listSectionTrees(Conversion &conv) {
    if (!conv.settings.has(flag::debugListing)) return;
    std::fputs(" Make .dbg file \n", conv.console);
    std::FILE *out = conv.outputs.stream(OutputRole::listing);
    if (!conv.settings.has(flag::dualArea)) {
        writeBanner(out, sectionFrame, "*  normSecRoot   * \n");
        listSections(conv, out, conv.trees.normSecRoot, conv.trees.normUnitRoot);
    } else {
        writeBanner(out, sectionFrame, "* codeSecRoot    * \n");
        listSections(conv, out, conv.trees.codeSecRoot, conv.trees.codeUnitRoot);
        writeBanner(out, sectionFrame, "* romdataSecRoot * \n");
        listSections(conv, out, conv.trees.romdataSecRoot, conv.trees.romdataUnitRoot);
    }
}

void listUnitTrees(Conversion &conv) {
    conv.listingItemCount = 0;
    if (!conv.settings.has(flag::debugListing)) return;
    std::FILE *out = conv.outputs.stream(OutputRole::listing);
    std::fputs("\n", out);
    if (!conv.settings.has(flag::dualArea)) {
        writeBanner(out, sectionFrame, "*  normUnitRoot  * \n");
        listUnits(conv, out, conv.trees.normUnitRoot, conv.trees.normSecRoot);
    } else {
        // The ROM data banner follows the last code item on its line: no break,
        // and the item count runs on.
        writeBanner(out, dualUnitFrame, "* codeUnitRoot    * \n");
        listUnits(conv, out, conv.trees.codeUnitRoot, conv.trees.codeSecRoot);
        writeBanner(out, dualUnitFrame, "* romdataUnitRoot * \n");
        listUnits(conv, out, conv.trees.romdataUnitRoot, conv.trees.romdataSecRoot);
    }
}
