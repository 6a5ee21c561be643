// Sections and units of the module, kept in address order. The order of a walk is
// ascending key, equal keys in insertion order. Trees are sorted lazily, so that
// reading stays O(n log n) whatever order the module lists its units in.
#pragma once

#include <cstdint>
#include <vector>

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
    const char *name;       // owned copy of the ST name
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

extern SectionTree normSecRoot, codeSecRoot, romdataSecRoot;
extern UnitTree normUnitRoot, codeUnitRoot, romdataUnitRoot;

// The nodes of a tree in walk order.
const std::vector<SectionNode *> &walkSections(SectionTree &tree);
const std::vector<UnitNode> &walkUnits(UnitTree &tree);

void readSectionPart();
void readDataPart();
void rebuildUnitTrees();
// Empties every tree and forgets every section, for reading a module afresh.
void clearModuleTrees();
