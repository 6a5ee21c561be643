#include "module/layoutReading.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "common/console.h"
#include "module/dataPart.h"
#include "module/moduleHeader.h"
#include "module/moduleReader.h"
#include "module/sectionPart.h"

namespace {

using moduleFormat::letterP;
using moduleFormat::letterR;

void insertSection(SectionList &list, const SectionRecord &section, Progress &progress) {
    if (!list.nodes.empty() && section.base < list.nodes.back().address) list.sorted = false;
    list.nodes.push_back(SectionEntry{std::string(section.name), section.base, section.letters, section.index});
    progress.tick();
}

void storeSection(ModuleLayout &layout, bool dualArea, const SectionRecord &section, Progress &progress) {
    const std::uint32_t letter = section.letters & 0xFF;
    if (!dualArea) {
        if (!section.loadsNothing()) insertSection(layout.normSections, section, progress);
    } else if (letter == letterP) {
        insertSection(layout.codeSections, section, progress);
    } else if (letter == letterR) {
        insertSection(layout.romdataSections, section, progress);
    }
}

// The sections of one kind by index, for the units to find theirs: (index,
// walk place) pairs in that order. Units mostly follow one another in the same
// section, so the last answer is kept.
class SectionFinder {
public:
    SectionFinder(SectionList &sections, UnitList &units) : units_(units) {
        const std::vector<SectionEntry> &walk = walkSections(sections);
        byIndex_.reserve(walk.size());
        for (std::uint32_t place = 0; place < walk.size(); ++place) byIndex_.emplace_back(walk[place].index, place);
        std::sort(byIndex_.begin(), byIndex_.end());
        // The sections of one index in a chain, for the walk to visit each.
        units.nextPlace.assign(walk.size(), noPlace);
        for (std::size_t i = 1; i < byIndex_.size(); ++i) {
            if (byIndex_[i].first != byIndex_[i - 1].first) continue;
            units.nextPlace[byIndex_[i - 1].second] = byIndex_[i].second;
            units.shared = true;
        }
    }

    // Hands the unit to every section with its index: how many there are.
    std::uint32_t attach(Progress &progress, std::uint32_t index, std::uint32_t address, std::uint32_t seek) {
        if (!found_ || index != lastIndex_) {
            const auto first = std::lower_bound(byIndex_.begin(), byIndex_.end(), std::pair<std::uint32_t, std::uint32_t>{index, 0});
            auto last = first;
            while (last != byIndex_.end() && last->first == index) ++last;
            places_ = std::span(first, last);
            lastIndex_ = index;
            found_ = true;
        }
        if (places_.empty()) return 0;
        // One entry for the unit, named by the first section of its index.
        const UnitEntry node{address, seek, places_.front().second};
        if (!units_.nodes.empty() && unitBefore(node, units_.nodes.back())) units_.sorted = false;
        units_.nodes.push_back(node);
        const auto sections = static_cast<std::uint32_t>(places_.size());
        units_.pairs += sections;
        // One section, the usual case, costs no division.
        if (sections == 1)
            progress.tick();
        else
            progress.tickTimes(sections);
        return sections;
    }

private:
    UnitList &units_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byIndex_;
    std::span<const std::pair<std::uint32_t, std::uint32_t>> places_;
    std::uint32_t lastIndex_ = 0;
    bool found_ = false;
};

}  // namespace

ModuleLayout readSectionPart(const ModuleSource &module, const ModuleParts &parts, bool dualArea, Progress &progress) {
    ModuleLayout layout;
    ModuleReader reader = readerOf(module);
    reader.seek(parts.sectionPart);
    while (const std::optional<SectionRecord> section = readSection(reader)) {
        // A section of size 0 loads nothing: no entry, no extent, no progress.
        if (section->size == 0) continue;
        if (!section->loadsNothing()) layout.extent = widenExtent(layout.extent, *section);
        storeSection(layout, dualArea, *section, progress);
        progress.tick();
    }
    return layout;
}

namespace {

// Every unit under the sections of its index; the units stay in reading order.
void readUnits(const ModuleSource &module, const ModuleParts &parts, bool dual, ModuleLayout &layout,
               Progress &progress) {
    SectionFinder norm(layout.normSections, layout.normUnits);
    SectionFinder code(layout.codeSections, layout.codeUnits);
    SectionFinder romdata(layout.romdataSections, layout.romdataUnits);

    ModuleReader reader = readerOf(module);
    DataPartReader data(reader, parts.dataPart);
    WrittenBytes written(reader);
    for (;;) {
        std::uint64_t plain = 0;
        data.skipPlainLoads(plain);
        written.add(plain);
        const DataRecord record = data.next();
        switch (record.type) {
        case rec::ASP: {
            // The unit is found again later by the offset of its ASP record. A unit
            // goes to the code sections of its index, and only when there is none
            // to the ROM data sections; a unit of no stored section is dropped.
            const UnitStart start = data.readUnit();
            std::uint32_t sections = 0;
            if (!dual) {
                sections = norm.attach(progress, start.section, start.address, start.offset);
            } else if ((sections = code.attach(progress, start.section, start.address, start.offset)) == 0) {
                sections = romdata.attach(progress, start.section, start.address, start.offset);
            }
            written.beginUnit(sections);
            break;
        }
        case rec::LD:
            written.add(std::uint64_t{record.passes} * record.bytes.size());
            break;
        case rec::SB:
            written.endUnit();
            break;
        case rec::ASG:
            // The emission reads a unit on past an ASG record, to its end.
            if (written.counting()) countLoads(data, written, CountUntil::unitEnd);
            written.endUnit();
            return;
        default:  // ME
            written.endUnit();
            return;
        }
    }
}

}  // namespace

ModuleLayout readDataPart(const ModuleSource &module, const ModuleParts &parts, bool dualArea, ModuleLayout layout,
                          Progress &progress) {
    readUnits(module, parts, dualArea, layout, progress);
    for (SectionList *sections : {&layout.normSections, &layout.codeSections, &layout.romdataSections})
        walkSections(*sections);
    for (UnitList *units : {&layout.normUnits, &layout.codeUnits, &layout.romdataUnits}) walkUnits(*units);
    return layout;
}

void countUnitProgress(const ModuleLayout &layout, Progress &progress) {
    for (const UnitList *units : {&layout.normUnits, &layout.codeUnits, &layout.romdataUnits}) {
        for (std::uint64_t left = units->pairs; left > 0;) {
            const auto calls = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 0xFFFFFFFF));
            progress.tickTimes(calls);
            left -= calls;
        }
    }
}
