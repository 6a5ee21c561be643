#include "ieee695/moduleTrees.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "core/conversion.h"
#include "common/console.h"
#include "driver/runSettings.h"
#include "ieee695/dataPart.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleReader.h"
#include "ieee695/sectionPart.h"

namespace {

using moduleFormat::letterP;
using moduleFormat::letterR;

// The order of a unit walk. The file offset stands for the reading order: it
// grows with every unit read, and a unit stands once in a section.
bool unitBefore(const UnitNode &a, const UnitNode &b) {
    if (a.address != b.address) return a.address < b.address;
    if (a.section != b.section) return a.section < b.section;
    return a.seek < b.seek;
}

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
    }

    // Hands the unit to every section with its index; false when none has it.
    bool attach(Conversion &conv, std::uint32_t index, std::uint32_t address, std::uint32_t seek) {
        if (!found_ || index != lastIndex_) {
            const auto first = std::lower_bound(byIndex_.begin(), byIndex_.end(), std::pair<std::uint32_t, std::uint32_t>{index, 0});
            auto last = first;
            while (last != byIndex_.end() && last->first == index) ++last;
            places_ = std::span(first, last);
            lastIndex_ = index;
            found_ = true;
        }
        for (const auto &[sectionIndex, place] : places_) {
            const UnitNode node{address, seek, place};
            if (!units_.nodes.empty() && unitBefore(node, units_.nodes.back())) units_.sorted = false;
            units_.nodes.push_back(node);
            conv.progress.tick();
        }
        return !places_.empty();
    }

private:
    UnitTree &units_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byIndex_;
    std::span<const std::pair<std::uint32_t, std::uint32_t>> places_;
    std::uint32_t lastIndex_ = 0;
    bool found_ = false;
};

}  // namespace

const std::vector<SectionNode> &walkSections(SectionTree &tree) {
    if (!tree.sorted) {
        std::stable_sort(tree.nodes.begin(), tree.nodes.end(),
                         [](const SectionNode &a, const SectionNode &b) { return a.address < b.address; });
        tree.sorted = true;
    }
    return tree.nodes;
}

const std::vector<UnitNode> &walkUnits(UnitTree &tree) {
    if (!tree.sorted) {
        // Falling order, the other usual one, is turned round without a sort.
        std::vector<UnitNode> &nodes = tree.nodes;
        if (std::is_sorted(nodes.rbegin(), nodes.rend(), unitBefore))
            std::reverse(nodes.begin(), nodes.end());
        else
            std::sort(nodes.begin(), nodes.end(), unitBefore);
        tree.sorted = true;
    }
    return tree.nodes;
}

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
    for (;;) {
        data.skipPlainLoads();
        const std::int32_t type = data.next().type;
        if (type == rec::ASG || type == rec::ME) return;
        if (type != rec::ASP) continue;
        // The unit is found again later by the offset of its ASP record. A unit
        // goes to the code sections of its index, and only when there is none
        // to the ROM data sections; a unit of no stored section is dropped.
        const UnitStart start = data.readUnit();
        if (!dual) {
            norm.attach(conv, start.section, start.address, start.offset);
        } else if (!code.attach(conv, start.section, start.address, start.offset)) {
            romdata.attach(conv, start.section, start.address, start.offset);
        }
    }
}

void rebuildUnitTrees(Conversion &conv) {
    // Each unit of each kind counts once more as the unit trees are completed.
    ModuleTrees &trees = conv.trees;
    for (UnitTree *units : {&trees.normUnitRoot, &trees.codeUnitRoot, &trees.romdataUnitRoot}) {
        conv.progress.tickTimes(static_cast<std::uint32_t>(units->nodes.size()));
        walkUnits(*units);
    }
}

void clearModuleTrees(Conversion &conv) { conv.trees = ModuleTrees{}; }
