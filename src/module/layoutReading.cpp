#include "module/layoutReading.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "run/conversion.h"
#include "common/console.h"
#include "options/runSettings.h"
#include "module/dataPart.h"
#include "module/moduleHeader.h"
#include "module/moduleReader.h"
#include "module/sectionPart.h"

namespace {

using moduleFormat::letterP;
using moduleFormat::letterR;

void insertSection(Conversion &conv, SectionTree &tree, const SectionRecord &section) {
    if (!tree.nodes.empty() && section.base < tree.nodes.back().address) tree.sorted = false;
    tree.nodes.push_back(SectionNode{std::string(section.name), section.base, section.letters, section.index});
    conv.progress.tick();
}

void storeSection(Conversion &conv, const SectionRecord &section) {
    const std::uint32_t letter = section.letters & 0xFF;
    if (!conv.settings.has(flag::dualArea)) {
        if (!section.loadsNothing()) insertSection(conv, conv.trees.normSecRoot, section);
    } else if (letter == letterP) {
        insertSection(conv, conv.trees.codeSecRoot, section);
    } else if (letter == letterR) {
        insertSection(conv, conv.trees.romdataSecRoot, section);
    }
}

// The sections of one kind by index, for the units to find theirs: (index,
// walk place) pairs in that order. Units mostly follow one another in the same
// section, so the last answer is kept.
class SectionFinder {
public:
    SectionFinder(SectionTree &sections, UnitTree &units) : units_(units) {
        const std::vector<SectionNode> &walk = walkSections(sections);
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
    std::uint32_t attach(Conversion &conv, std::uint32_t index, std::uint32_t address, std::uint32_t seek) {
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
        const UnitNode node{address, seek, places_.front().second};
        if (!units_.nodes.empty() && unitBefore(node, units_.nodes.back())) units_.sorted = false;
        units_.nodes.push_back(node);
        const auto sections = static_cast<std::uint32_t>(places_.size());
        units_.pairs += sections;
        // One section, the usual case, costs no division.
        if (sections == 1)
            conv.progress.tick();
        else
            conv.progress.tickTimes(sections);
        return sections;
    }

private:
    UnitTree &units_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byIndex_;
    std::span<const std::pair<std::uint32_t, std::uint32_t>> places_;
    std::uint32_t lastIndex_ = 0;
    bool found_ = false;
};

}  // namespace

void readSectionPart(Conversion &conv) {
    ModuleReader reader = readerOf(conv);
    reader.seek(conv.parts.sectionPart);
    while (const std::optional<SectionRecord> section = readSection(reader)) {
        // A section of size 0 loads nothing: no node, no extent, no progress.
        if (section->size == 0) continue;
        if (!section->loadsNothing()) widenExtent(conv, *section);
        storeSection(conv, *section);
        conv.progress.tick();
    }
}

void readDataPart(Conversion &conv) {
    ModuleTrees &trees = conv.trees;
    const bool dual = conv.settings.has(flag::dualArea);
    SectionFinder norm(trees.normSecRoot, trees.normUnitRoot);
    SectionFinder code(trees.codeSecRoot, trees.codeUnitRoot);
    SectionFinder romdata(trees.romdataSecRoot, trees.romdataUnitRoot);

    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, conv.parts.dataPart);
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
                sections = norm.attach(conv, start.section, start.address, start.offset);
            } else if ((sections = code.attach(conv, start.section, start.address, start.offset)) == 0) {
                sections = romdata.attach(conv, start.section, start.address, start.offset);
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

void rebuildUnitTrees(Conversion &conv) {
    // Each unit of each kind counts once more as the unit trees are completed,
    // once for each of its sections.
    ModuleTrees &trees = conv.trees;
    for (UnitTree *units : {&trees.normUnitRoot, &trees.codeUnitRoot, &trees.romdataUnitRoot}) {
        for (std::uint64_t left = units->pairs; left > 0;) {
            const auto calls = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 0xFFFFFFFF));
            conv.progress.tickTimes(calls);
            left -= calls;
        }
        walkUnits(*units);
    }
}

void clearModuleTrees(Conversion &conv) { conv.trees = ModuleTrees{}; }
