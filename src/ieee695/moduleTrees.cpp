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

SectionTree normSecRoot, codeSecRoot, romdataSecRoot;
UnitTree normUnitRoot, codeUnitRoot, romdataUnitRoot;

namespace {

// Last type letters that decide where a section goes.
constexpr std::uint32_t letterD = 0xC4;  // loads nothing
constexpr std::uint32_t letterP = 0xD0;  // code
constexpr std::uint32_t letterR = 0xD2;  // ROM data

constexpr std::uint32_t oneMegabyte = 0x100000;

// The nodes themselves; a deque never moves what it holds, so the trees can keep
// pointers into it.
std::deque<SectionNode> sectionStore;

// The stored sections of each tree by section index, so that a unit finds its
// sections without a walk over all of them.
using SectionIndex = std::multimap<std::uint32_t, SectionNode *>;
SectionIndex normByIndex, codeByIndex, romdataByIndex;

RecordCapture capture;

[[noreturn]] void rejectModule() { fatalError(err::illegalFormat, settings.inputName); }

void requireWholeRecord() {
    if (recordLog.overflowed) rejectModule();
}

// Walk order is ascending key with equal keys in insertion order; appending keeps
// the tree sorted as long as no key is smaller than the last one, the usual case.
void insertSection(SectionTree &tree, SectionIndex &byIndex, const SectionNode &section) {
    SectionNode &node = sectionStore.emplace_back(section);
    node.name = copyText(section.name);
    if (!tree.nodes.empty() && node.address < tree.nodes.back()->address) tree.sorted = false;
    tree.nodes.push_back(&node);
    byIndex.emplace(node.index, &node);
    tickProgress();
}

void insertUnit(UnitTree &tree, const UnitNode &unit) {
    if (!tree.nodes.empty() && unit.address < tree.nodes.back().address) tree.sorted = false;
    tree.nodes.push_back(unit);
    tickProgress();
}

// The plain number that the ASS, ASL or ASP record just read must carry.
std::uint32_t capturedValue() {
    std::uint32_t value = 0;
    if (!readPlainNumber(capture, &value)) rejectModule();
    return value;
}

// The ASS or ASL record that must come next in the section part.
std::uint32_t readSectionValue(std::int32_t expectedType, std::FILE *in) {
    std::uint32_t sectionIndex = 0;
    capture.length = 0;
    if (readTypeNumberValue(&sectionIndex, &capture, in) != expectedType) rejectModule();
    requireWholeRecord();
    return capturedValue();
}

// Sections of size 0 and 'D' sections load nothing and do not count.
void widenExtent(std::uint32_t base, std::uint32_t size) {
    if (base + size > oneMegabyte) setFlag(flag::above1MB);
    const std::uint32_t last = base + size - 1;
    if (last > settings.highestSectionAddress) settings.highestSectionAddress = last;
    if (base < settings.lowestSectionAddress) settings.lowestSectionAddress = base;
}

void storeSection(const SectionNode &section) {
    const std::uint32_t letter = section.type & 0xFF;
    if (!hasFlag(flag::dualArea)) {
        if (letter != letterD) insertSection(normSecRoot, normByIndex, section);
    } else if (letter == letterP) {
        insertSection(codeSecRoot, codeByIndex, section);
    } else if (letter == letterR) {
        insertSection(romdataSecRoot, romdataByIndex, section);
    }
}

// Hands the unit to every stored section with its index; false when none has it.
bool attachTo(const SectionIndex &byIndex, const UnitNode &unit) {
    const auto [first, last] = byIndex.equal_range(unit.section);
    for (auto it = first; it != last; ++it) insertUnit(it->second->units, unit);
    return first != last;
}

// A unit goes to the code sections of its index, and only when there is none to
// the ROM data sections; a unit of no stored section is dropped.
void attachUnit(const UnitNode &unit) {
    if (!hasFlag(flag::dualArea)) {
        attachTo(normByIndex, unit);
    } else if (!attachTo(codeByIndex, unit)) {
        attachTo(romdataByIndex, unit);
    }
}

void collectUnits(SectionTree &sections, UnitTree &result) {
    std::size_t total = result.nodes.size();
    for (const SectionNode *section : sections.nodes) total += section->units.nodes.size();
    result.nodes.reserve(total);
    for (SectionNode *section : walkSections(sections)) {
        for (const UnitNode &unit : walkUnits(section->units)) insertUnit(result, unit);
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

void readSectionPart() {
    std::FILE *in = settings.inputFile;
    std::fseek(in, static_cast<long>(moduleParts.sectionPart), SEEK_SET);
    char name[nameBufferSize];
    std::int32_t type = readRecordType(in);
    while (type == rec::ST) {
        SectionNode section{};
        section.name = name;
        if (readSectionType(&section.index, &section.type, name, nameBufferSize, nullptr, in) == badItem)
            rejectModule();
        requireWholeRecord();
        readRecord(nullptr, in);  // the record between ST and ASS is not looked at
        requireWholeRecord();
        const std::uint32_t size = readSectionValue(rec::ASS, in);
        section.address = readSectionValue(rec::ASL, in);
        if (size != 0) {
            if ((section.type & 0xFF) != letterD) widenExtent(section.address, size);
            storeSection(section);
            tickProgress();
        }
        type = readRecordType(in);
    }
}

void readDataPart() {
    std::FILE *in = settings.inputFile;
    std::fseek(in, static_cast<long>(moduleParts.dataPart), SEEK_SET);
    std::int32_t type = readRecordType(in);
    while (type != rec::ASG && type != rec::ME) {
        switch (type) {
        case rec::ASP: {
            // The unit is found again later by the offset of its type bytes.
            UnitNode unit{};
            unit.seek = static_cast<std::uint32_t>(std::ftell(in) - 2);
            capture.length = 0;
            readNumberValue(&unit.section, &capture, in);
            requireWholeRecord();
            unit.address = capturedValue();
            attachUnit(unit);
            break;
        }
        case rec::LD:
            readLoadBytes(nullptr, in);
            break;
        case rec::RE:  // the repeat count matters only when the bytes are written
        case rec::SB:  // a unit belongs to the section its ASP record names
            readNumber(nullptr, in);
            break;
        default:
            rejectModule();
        }
        type = readRecordType(in);
    }
}

void rebuildUnitTrees() {
    if (!hasFlag(flag::dualArea)) {
        collectUnits(normSecRoot, normUnitRoot);
    } else {
        collectUnits(codeSecRoot, codeUnitRoot);
        collectUnits(romdataSecRoot, romdataUnitRoot);
    }
}

void clearModuleTrees() {
    for (SectionTree *tree : {&normSecRoot, &codeSecRoot, &romdataSecRoot}) *tree = SectionTree{};
    for (UnitTree *tree : {&normUnitRoot, &codeUnitRoot, &romdataUnitRoot}) *tree = UnitTree{};
    normByIndex.clear();
    codeByIndex.clear();
    romdataByIndex.clear();
    sectionStore.clear();
}
