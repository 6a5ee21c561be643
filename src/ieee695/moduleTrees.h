// Sections and units of the module, kept in address order. The order of a walk is
// ascending key, equal keys in insertion order. Trees are sorted lazily, so that
// reading stays O(n log n) whatever order the module lists its units in.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

struct Conversion;

struct UnitNode {
    std::uint32_t section;  // section index of the ASP record
    std::uint32_t address;  // load address of the ASP record: the key
    std::uint32_t seek;     // file offset of the ASP record's first byte
};

// Units ordered by address; equal addresses keep their insertion order.
struct UnitTree {
    std::vector<UnitNode> nodes;
    bool sorted = true;
};

struct SectionNode {
    std::string name;       // the ST name
    std::uint32_t address;  // base address (ASL): the key
    std::uint32_t type;     // type letters, the last letter in the low byte
    std::uint32_t index;    // section index of the ST record
    UnitTree units;         // the section's own units
};

// Sections ordered by base address; equal bases keep their reading order.
struct SectionTree {
    std::vector<SectionNode *> nodes;
    bool sorted = true;
};

// The stored sections of one tree by section index, so that a unit finds its
// sections without a walk over all of them.
using SectionIndex = std::multimap<std::uint32_t, SectionNode *>;

// The module's layout: the section trees of each kind with their units, and the
// merged unit trees that the image is written from.
struct ModuleTrees {
    SectionTree normSecRoot, codeSecRoot, romdataSecRoot;
    UnitTree normUnitRoot, codeUnitRoot, romdataUnitRoot;
    // The nodes themselves; a deque never moves what it holds, so the trees can
    // keep pointers into it.
    std::deque<SectionNode> sectionStore;
    SectionIndex normByIndex, codeByIndex, romdataByIndex;
};

// The nodes of a tree in walk order.
const std::vector<SectionNode *> &walkSections(SectionTree &tree);
const std::vector<UnitNode> &walkUnits(UnitTree &tree);

void readSectionPart(Conversion &conv);
void readDataPart(Conversion &conv);
void rebuildUnitTrees(Conversion &conv);
// Empties every tree and forgets every section, for reading a module afresh.
void clearModuleTrees(Conversion &conv);
