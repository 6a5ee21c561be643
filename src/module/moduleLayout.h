// The sections and units of a module as the reading leaves them, in the order
// the image is written in: the module's layout, and its extent. The lists are
// sorted once, when the data part has been read, so that reading stays
// O(n log n) whatever order the module lists its units in; from then on the
// layout is only read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The module's extent: the lowest start and the highest last address of the
// sections that load bytes.
struct ModuleExtent {
    std::uint32_t lowest = 0xFFFFFF;
    std::uint32_t highest = 0;
    bool above1MB = false;  // a section reaches past 0x100000

    // A module that loads nothing leaves the extent at its start values.
    bool loadsNothing() const { return highest == 0 && lowest == 0xFFFFFF; }
};

// One unit: twelve bytes, all of a kind's units in one vector.
struct UnitEntry {
    std::uint32_t address;  // load address of the ASP record: the key
    std::uint32_t seek;     // file offset of the ASP record's first byte
    std::uint32_t section;  // place of the first section of its index in the sorted section list
};

// Marks the end of a chain of places (UnitList::nextPlace).
constexpr std::uint32_t noPlace = 0xFFFFFFFF;

// The units of one kind, ordered by address, equal addresses by their section
// (the first of their index), then in reading order. A unit belongs to every
// section of its kind with its index, and the walk gives it once for each
// (walkUnitPlaces): one entry a unit, however many sections share an index.
struct UnitList {
    std::vector<UnitEntry> nodes;
    // For each section place of the kind, the place of the next section with
    // its index, or noPlace.
    std::vector<std::uint32_t> nextPlace;
    bool shared = false;       // some index has more than one section
    std::uint64_t pairs = 0;   // units counted once for each section they belong to
    bool sorted = true;
};

struct SectionEntry {
    std::string name;       // the ST name
    std::uint32_t address;  // base address (ASL): the key
    std::uint32_t type;     // type letters, the last letter in the low byte
    std::uint32_t index;    // section index of the ST record
};

// Sections ordered by base address; equal bases keep their reading order.
struct SectionList {
    std::vector<SectionEntry> nodes;
    bool sorted = true;
};

// The module's layout: the sections of each kind, the units that the image is
// written from, and the extent.
struct ModuleLayout {
    SectionList normSections, codeSections, romdataSections;
    UnitList normUnits, codeUnits, romdataUnits;
    ModuleExtent extent;
};

// Puts a list in order, while the module is read. The sections of a kind keep
// their order once its units are read, which the units' section places refer to.
const std::vector<SectionEntry> &walkSections(SectionList &list);
const std::vector<UnitEntry> &walkUnits(UnitList &list);

// The walk of a kind's units: each unit once for every section of its index,
// in ascending address; equal addresses in the walk order of the sections, then
// in reading order. Where sections share an index, the units of one address
// are merged over their sections as they are walked, so that nothing grows
// with sections times units.
class UnitWalk {
public:
    // `list` is in order (the layout as read).
    explicit UnitWalk(const UnitList &list) : units_(list.nodes), nextPlace_(list.nextPlace), shared_(list.shared) {}

    // The next unit and the place of its section; false after the last.
    bool next(const UnitEntry *&unit, std::uint32_t &place) {
        if (shared_) return nextShared(unit, place);
        if (at_ == units_.size()) return false;
        unit = &units_[at_++];
        place = unit->section;
        return true;
    }

private:
    // The units [first, last) of one address and index, for the section at `place`.
    struct Run {
        std::uint32_t place, first, last;
    };
    bool nextShared(const UnitEntry *&unit, std::uint32_t &place);

    const std::vector<UnitEntry> &units_;
    const std::vector<std::uint32_t> &nextPlace_;
    const bool shared_;
    std::size_t at_ = 0;     // the first unit not yet given out (or in runs_)
    std::vector<Run> runs_;  // the runs of the address being walked, a heap by place
    Run run_{noPlace, 0, 0}; // the run being given out
    std::uint32_t runAt_ = 0;
};

// The order of a unit walk: address, then section place, then reading order.
// The file offset stands for the reading order: it grows with every unit read,
// and a unit stands once in a section. Inline: it is asked once a unit read.
inline bool unitBefore(const UnitEntry &a, const UnitEntry &b) {
    if (a.address != b.address) return a.address < b.address;
    if (a.section != b.section) return a.section < b.section;
    return a.seek < b.seek;
}
