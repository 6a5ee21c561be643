#include "emission/layoutListing.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/console.h"
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

// Unit items run three to a line; `items` counts those on the current line.
// Every item but the first three of a run starts by ending the line before it.
void placeItem(int &items, OutputSink &out) {
    if (items == 3) {
        writeText(out, "\n");
        items = 1;
    } else {
        ++items;
    }
}

void writeBanner(OutputSink &out, const char *frame, const char *title) {
    writeText(out, frame);
    writeText(out, title);
    writeText(out, frame);
}

// Each section with its own units: those of the kind's unit tree that name the
// first section of its index, which stands for every section of that index.
void listSections(OutputSink &out, const SectionList &sections, const UnitList &units) {
    char text[96];
    const std::vector<SectionEntry> &walk = sections.nodes;
    std::vector<std::uint32_t> firstOfIndex(walk.size(), noPlace);
    for (std::uint32_t place = 0; place < walk.size(); ++place) {
        if (firstOfIndex[place] != noPlace) continue;
        for (std::uint32_t p = place; p != noPlace && p < units.nextPlace.size(); p = units.nextPlace[p])
            firstOfIndex[p] = place;
        firstOfIndex[place] = place;
    }
    for (std::uint32_t place = 0; place < walk.size(); ++place) {
        const SectionEntry &section = walk[place];
        // The name up to a NUL it may hold, as a C string prints.
        writeText(out, "  SECNAME: ");
        writeText(out, section.name.c_str());
        writeText(out, " \n");
        writeText(out, formatItem(text, "  SECADD : %6Xh  SECTYPE: %6X  SECNUM:%3d \n",
                                  static_cast<unsigned>(section.address), static_cast<unsigned>(section.type),
                                  static_cast<int>(section.index)));
        int items = 0;
        for (const UnitEntry &unit : units.nodes) {
            if (unit.section != firstOfIndex[place]) continue;
            placeItem(items, out);
            writeText(out, formatItem(text, "   [START: %6Xh  SEEK: %6Xh]", static_cast<unsigned>(unit.address),
                                      static_cast<unsigned>(unit.seek)));
        }
        writeText(out, "\n\n");
    }
}

void listUnits(int &items, OutputSink &out, const UnitList &units, const SectionList &sections) {
    char text[96];
    const std::vector<SectionEntry> &walk = sections.nodes;
    UnitWalk unitWalk(units);
    const UnitEntry *unit = nullptr;
    std::uint32_t place = 0;
    while (unitWalk.next(unit, place)) {
        placeItem(items, out);
        writeText(out, formatItem(text, "   [SECNUM: %2d START: %6Xh]", static_cast<int>(walk[place].index),
                                  static_cast<unsigned>(unit->address)));
    }
}

}  // namespace

void listLayoutSections(OutputSink &out, Console &console, const ModuleLayout &layout, bool dualArea) {
    console.write(" Make .dbg file \n");
    if (!dualArea) {
        writeBanner(out, sectionFrame, "*  normSecRoot   * \n");
        listSections(out, layout.normSections, layout.normUnits);
    } else {
        writeBanner(out, sectionFrame, "* codeSecRoot    * \n");
        listSections(out, layout.codeSections, layout.codeUnits);
        writeBanner(out, sectionFrame, "* romdataSecRoot * \n");
        listSections(out, layout.romdataSections, layout.romdataUnits);
    }
}

void listLayoutUnits(OutputSink &out, const ModuleLayout &layout, bool dualArea) {
    // The item count carries over from the code units to the ROM data units.
    int items = 0;
    writeText(out, "\n");
    if (!dualArea) {
        writeBanner(out, sectionFrame, "*  normUnitRoot  * \n");
        listUnits(items, out, layout.normUnits, layout.normSections);
    } else {
        // The ROM data banner follows the last code item on its line: no break,
        // and the item count runs on.
        writeBanner(out, dualUnitFrame, "* codeUnitRoot    * \n");
        listUnits(items, out, layout.codeUnits, layout.codeSections);
        writeBanner(out, dualUnitFrame, "* romdataUnitRoot * \n");
        listUnits(items, out, layout.romdataUnits, layout.romdataSections);
    }
}
