#include "ieee695/moduleTrees.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <string>

#include "core/conversion.h"
#include "diag/console.h"
#include "driver/runSettings.h"
#include "ieee695/dataPart.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleReader.h"
#include "ieee695/sectionPart.h"

namespace {

// Last type letters that decide where a section goes.
constexpr std::uint32_t letterP = 0xD0;  // code
constexpr std::uint32_t letterR = 0xD2;  // ROM data

// Walk order is ascending key with equal keys in insertion order; appending keeps
// the tree sorted as long as no key is smaller than the last one, the usual case.
void insertSection(Conversion &conv, SectionTree &tree, SectionIndex &byIndex, const SectionNode &section) {
    SectionNode &node = conv.trees.sectionStore.emplace_back(section);
    if (!tree.nodes.empty() && node.address < tree.nodes.back()->address) tree.sorted = false;
    tree.nodes.push_back(&node);
    byIndex.emplace(node.index, &node);
    tickProgress(conv);
}

void insertUnit(Conversion &conv, UnitTree &tree, const UnitNode &unit) {
    if (!tree.nodes.empty() && unit.address < tree.nodes.back().address) tree.sorted = false;
    tree.nodes.push_back(unit);
    tickProgress(conv);
}

void storeSection(Conversion &conv, const SectionRecord &section) {
    SectionNode node{};
    node.name = section.name;
    node.address = section.base;
    node.type = section.letters;
    node.index = section.index;
    const std::uint32_t letter = section.letters & 0xFF;
    if (!conv.settings.has(flag::dualArea)) {
        if (!section.loadsNothing()) insertSection(conv, conv.trees.normSecRoot, conv.trees.normByIndex, node);
    } else if (letter == letterP) {
        insertSection(conv, conv.trees.codeSecRoot, conv.trees.codeByIndex, node);
    } else if (letter == letterR) {
        insertSection(conv, conv.trees.romdataSecRoot, conv.trees.romdataByIndex, node);
    }
}

// Hands the unit to every stored section with its index; false when none has it.
bool attachTo(Conversion &conv, const SectionIndex &byIndex, const UnitNode &unit) {
    const auto [first, last] = byIndex.equal_range(unit.section);
    for (auto it = first; it != last; ++it) insertUnit(conv, it->second->units, unit);
    return first != last;
}

// A unit goes to the code sections of its index, and only when there is none to
// the ROM data sections; a unit of no stored section is dropped.
void attachUnit(Conversion &conv, const UnitNode &unit) {
    if (!conv.settings.has(flag::dualArea)) {
        attachTo(conv, conv.trees.normByIndex, unit);
    } else if (!attachTo(conv, conv.trees.codeByIndex, unit)) {
        attachTo(conv, conv.trees.romdataByIndex, unit);
    }
}

void collectUnits(Conversion &conv, SectionTree &sections, UnitTree &result) {
    std::size_t total = result.nodes.size();
    for (const SectionNode *section : sections.nodes) total += section->units.nodes.size();
    result.nodes.reserve(total);
    for (SectionNode *section : walkSections(sections)) {
        for (const UnitNode &unit : walkUnits(section->units)) insertUnit(conv, result, unit);
    }
}

}  // namespace

const std::vector<SectionNode *> &walkSections(SectionTree &tree) {
    if (!tree.sorted) {
        std::stable_sort(tree.nodes.begin(), tree.nodes.end(),
                         [](const SectionNode *a, const SectionNode *b) { return a->address < b->address; });
        tree.sorted = true;
    }
    return tree.nodes;
}

const std::vector<UnitNode> &walkUnits(UnitTree &tree) {
    if (!tree.sorted) {
        std::stable_sort(tree.nodes.begin(), tree.nodes.end(),
                         [](const UnitNode &a, const UnitNode &b) { return a.address < b.address; });
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
        tickProgress(conv);
    }
}

void readDataPart(Conversion &conv) {
    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, conv.parts.dataPart);
    for (;;) {
        const std::int32_t type = data.next().type;
        if (type == rec::ASG || type == rec::ME) return;
        if (type == rec::ASP) {
            // The unit is found again later by the offset of its ASP record.
            const UnitStart start = data.readUnit();
            attachUnit(conv, UnitNode{start.section, start.address, start.offset});
        }
    }
}

void rebuildUnitTrees(Conversion &conv) {
    if (!conv.settings.has(flag::dualArea)) {
        collectUnits(conv, conv.trees.normSecRoot, conv.trees.normUnitRoot);
    } else {
        collectUnits(conv, conv.trees.codeSecRoot, conv.trees.codeUnitRoot);
        collectUnits(conv, conv.trees.romdataSecRoot, conv.trees.romdataUnitRoot);
    }
}

void clearModuleTrees(Conversion &conv) {
    for (SectionTree *tree : {&conv.trees.normSecRoot, &conv.trees.codeSecRoot, &conv.trees.romdataSecRoot}) *tree = SectionTree{};
    for (UnitTree *tree : {&conv.trees.normUnitRoot, &conv.trees.codeUnitRoot, &conv.trees.romdataUnitRoot}) *tree = UnitTree{};
    conv.trees.normByIndex.clear();
    conv.trees.codeByIndex.clear();
    conv.trees.romdataByIndex.clear();
    conv.trees.sectionStore.clear();
}
