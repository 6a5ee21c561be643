// Sections and units of the module, kept in address order. The order of a walk is
// ascending key, equal keys in reading order. Units are sorted lazily, so that
// reading stays O(n log n) whatever order the module lists its units in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Conversion;

// One unit of one section: twelve bytes, all of a kind's units in one vector.
struct UnitNode {
    std::uint32_t address;  // load address of the ASP record: the key
    std::uint32_t seek;     // file offset of the ASP record's first byte
    std::uint32_t section;  // place of its section in the walk of the section tree
};

// The units of one kind, ordered by address; equal addresses in the walk order
// of their sections, then in reading order.
struct UnitTree {
    std::vector<UnitNode> nodes;
    bool sorted = true;
};

struct SectionNode {
    std::string name;       // the ST name
    std::uint32_t address;  // base address (ASL): the key
    std::uint32_t type;     // type letters, the last letter in the low byte
    std::uint32_t index;    // section index of the ST record
};

// Sections ordered by base address; equal bases keep their reading order.
struct SectionTree {
    std::vector<SectionNode> nodes;
    bool sorted = true;
};

// The module's layout: the sections of each kind, and the unit trees that the
// image is written from. A unit belongs to every stored section of its kind
// with its index, so it may stand in a unit tree more than once.
struct ModuleTrees {
    SectionTree normSecRoot, codeSecRoot, romdataSecRoot;
    UnitTree normUnitRoot, codeUnitRoot, romdataUnitRoot;
};

// The nodes of a tree in walk order. The sections of a kind keep their walk
// order once its units are read, which the units' section places refer to.
const std::vector<SectionNode> &walkSections(SectionTree &tree);
const std::vector<UnitNode> &walkUnits(UnitTree &tree);

void readSectionPart(Conversion &conv);
void readDataPart(Conversion &conv);
// The unit trees complete: the progress they count, and their order.
void rebuildUnitTrees(Conversion &conv);
// Empties every tree and forgets every section, for reading a module afresh.
void clearModuleTrees(Conversion &conv);
