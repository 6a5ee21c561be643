#include "emission/treeListing.h"

#include <cstdio>
#include <string>
#include <vector>

#include "run/conversion.h"
#include "options/runSettings.h"
#include "module/layoutReading.h"
#include "output/outputSink.h"

namespace {

// The section banners and the normal-mode unit banner share the short frame;
// the dual-area unit titles are one column wider, and so is their frame.
const char sectionFrame[] = "****************** \n";
const char dualUnitFrame[] = "******************* \n";

// printf's formatting of one item into `text`, which holds any item: the
// numbers are at most eight digits each.
template <typename... Values>
std::string_view formatItem(char (&text)[96], const char *format, Values... values) {
    const int length = std::snprintf(text, sizeof text, format, values...);
    return std::string_view(text, static_cast<std::size_t>(length));
}

// Unit items run three to a line. The counter carries over from the code units
// to the ROM data units, so it lives for the whole run.

// Every item but the first three of a run starts by ending the line before it.
void placeItem(Conversion &conv, OutputSink &out) {
    if (conv.listingItemCount == 3) {
        writeText(out, "\n");
        conv.listingItemCount = 1;
    } else {
        ++conv.listingItemCount;
    }
}

void writeBanner(OutputSink &out, const char *frame, const char *title) {
    writeText(out, frame);
    writeText(out, title);
    writeText(out, frame);
}

// Each section with its own units: those of the kind's unit tree that name the
// first section of its index, which stands for every section of that index.
void listSections(Conversion &conv, OutputSink &out, SectionTree &sections, UnitTree &units) {
    char text[96];
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
        // The name up to a NUL it may hold, as a C string prints.
        writeText(out, "  SECNAME: ");
        writeText(out, section.name.c_str());
        writeText(out, " \n");
        writeText(out, formatItem(text, "  SECADD : %6Xh  SECTYPE: %6X  SECNUM:%3d \n",
                                  static_cast<unsigned>(section.address), static_cast<unsigned>(section.type),
                                  static_cast<int>(section.index)));
        conv.listingItemCount = 0;
        for (const UnitNode &unit : walkUnits(units)) {
            if (unit.section != firstOfIndex[place]) continue;
            placeItem(conv, out);
            writeText(out, formatItem(text, "   [START: %6Xh  SEEK: %6Xh]", static_cast<unsigned>(unit.address),
                                      static_cast<unsigned>(unit.seek)));
        }
        writeText(out, "\n\n");
    }
}

void listUnits(Conversion &conv, OutputSink &out, UnitTree &units, SectionTree &sections) {
    char text[96];
    const std::vector<SectionNode> &walk = walkSections(sections);
    UnitWalk unitWalk(units);
    const UnitNode *unit = nullptr;
    std::uint32_t place = 0;
    while (unitWalk.next(unit, place)) {
        placeItem(conv, out);
        writeText(out, formatItem(text, "   [SECNUM: %2d START: %6Xh]", static_cast<int>(walk[place].index),
                                  static_cast<unsigned>(unit->address)));
    }
}

}  // namespace

void listSectionTrees(Conversion &conv) {
    if (!conv.settings.has(flag::debugListing)) return;
    conv.console.write(" Make .dbg file \n");
    OutputSink &out = *conv.outputs.stream(OutputRole::listing);
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
    OutputSink &out = *conv.outputs.stream(OutputRole::listing);
    writeText(out, "\n");
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
