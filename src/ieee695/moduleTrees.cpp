#include "core/conversion.h"
#include "ieee695/moduleTrees.h"

#include <algorithm>
#include <deque>
#include <map>

#include "diag/console.h"
#include "diag/memory.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"

namespace {

// Last type letters that decide where a section goes.
constexpr std::uint32_t letterD = 0xC4;  // loads nothing
constexpr std::uint32_t letterP = 0xD0;  // code
constexpr std::uint32_t letterR = 0xD2;  // ROM data

constexpr std::uint32_t oneMegabyte = 0x100000;


[[noreturn]] void rejectModule(Conversion &conv) { fatalError(err::illegalFormat, conv.settings.inputName); }

void requireWholeRecord(Conversion &conv) {
    if (conv.log.overflowed) rejectModule(conv);
}

// Walk order is ascending key with equal keys in insertion order; appending keeps
// the tree sorted as long as no key is smaller than the last one, the usual case.
void insertSection(Conversion &conv, SectionTree &tree, SectionIndex &byIndex, const SectionNode &section) {
    SectionNode &node = conv.trees.sectionStore.emplace_back(section);
    node.name = copyText(section.name);
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

// The plain number that the ASS, ASL or ASP record just read must carry.
std::uint32_t capturedValue(Conversion &conv) {
    std::uint32_t value = 0;
    if (!readPlainNumber(conv.capture, &value)) rejectModule(conv);
    return value;
}

// The ASS or ASL record that must come next in the section part.
std::uint32_t readSectionValue(Conversion &conv, std::int32_t expectedType, std::FILE *in) {
    std::uint32_t sectionIndex = 0;
    conv.capture.length = 0;
    if (readTypeNumberValue(conv, &sectionIndex, &conv.capture, in) != expectedType) rejectModule(conv);
    requireWholeRecord(conv);
    return capturedValue(conv);
}

// Sections of size 0 and 'D' sections load nothing and do not count.
void widenExtent(Conversion &conv, std::uint32_t base, std::uint32_t size) {
    if (base + size > oneMegabyte) conv.settings.set(flag::above1MB);
    const std::uint32_t last = base + size - 1;
    if (last > conv.settings.highestSectionAddress) conv.settings.highestSectionAddress = last;
    if (base < conv.settings.lowestSectionAddress) conv.settings.lowestSectionAddress = base;
}

void storeSection(Conversion &conv, const SectionNode &section) {
    const std::uint32_t letter = section.type & 0xFF;
    if (!conv.settings.has(flag::dualArea)) {
        if (letter != letterD) insertSection(conv, conv.trees.normSecRoot, conv.trees.normByIndex, section);
    } else if (letter == letterP) {
        insertSection(conv, conv.trees.codeSecRoot, conv.trees.codeByIndex, section);
    } else if (letter == letterR) {
        insertSection(conv, conv.trees.romdataSecRoot, conv.trees.romdataByIndex, section);
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
    std::FILE *in = conv.settings.inputFile;
    std::fseek(in, static_cast<long>(conv.parts.sectionPart), SEEK_SET);
    char name[nameBufferSize];
    std::int32_t type = readRecordType(conv, in);
    while (type == rec::ST) {
        SectionNode section{};
        section.name = name;
        if (readSectionType(conv, &section.index, &section.type, name, nameBufferSize, nullptr, in) == badItem)
            rejectModule(conv);
        requireWholeRecord(conv);
        readRecord(conv, nullptr, in);  // the record between ST and ASS is not looked at
        requireWholeRecord(conv);
        const std::uint32_t size = readSectionValue(conv, rec::ASS, in);
        section.address = readSectionValue(conv, rec::ASL, in);
        if (size != 0) {
            if ((section.type & 0xFF) != letterD) widenExtent(conv, section.address, size);
            storeSection(conv, section);
            tickProgress(conv);
        }
        type = readRecordType(conv, in);
    }
}

void readDataPart(Conversion &conv) {
    std::FILE *in = conv.settings.inputFile;
    std::fseek(in, static_cast<long>(conv.parts.dataPart), SEEK_SET);
    std::int32_t type = readRecordType(conv, in);
    while (type != rec::ASG && type != rec::ME) {
        switch (type) {
        case rec::ASP: {
            // The unit is found again later by the offset of its type bytes.
            UnitNode unit{};
            unit.seek = static_cast<std::uint32_t>(std::ftell(in) - 2);
            conv.capture.length = 0;
            readNumberValue(conv, &unit.section, &conv.capture, in);
            requireWholeRecord(conv);
            unit.address = capturedValue(conv);
            attachUnit(conv, unit);
            break;
        }
        case rec::LD:
            readLoadBytes(conv, nullptr, in);
            break;
        case rec::RE:  // the repeat count matters only when the bytes are written
        case rec::SB:  // a unit belongs to the section its ASP record names
            readNumber(conv, nullptr, in);
            break;
        default:
            rejectModule(conv);
        }
        type = readRecordType(conv, in);
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
