#include "mapContents.h"

#include <algorithm>
#include <limits>

#include "sectionKind.h"

namespace modinspect {
namespace {

// The column a section's bytes go to, or why they go nowhere: the converter
// drops sections of size 0 and RAM data ('D'); the dual-area split writes
// code ('P') and ROM data ('R') sections only, each to its own file.
int columnOf(const romcast::Section &s, const std::vector<MapColumn> &columns, bool dualArea, std::string &why) {
    if (s.size == 0) {
        why = "size 0";
        return -1;
    }
    if (lastLetter(s) == 'D') {
        why = "RAM data (kind " + s.kind + ")";
        return -1;
    }
    if (!dualArea) return columns.empty() ? -1 : 0;
    for (std::size_t k = 0; k < columns.size(); ++k)
        if ((lastLetter(s) == 'P' && columns[k].code) || (lastLetter(s) == 'R' && !columns[k].code)) return int(k);
    why = "neither code nor ROM data (kind " + s.kind + "): in no file of the dual-area split";
    return -1;
}

Interval unitBytes(const romcast::Unit &u) {
    const std::uint64_t last = std::uint64_t{u.address} + u.size - 1;
    return {u.address, std::uint32_t(std::min<std::uint64_t>(last, std::numeric_limits<std::uint32_t>::max()))};
}

// The addresses more than one unit loads; `units` in address order.
std::vector<Interval> overlapsOf(const std::vector<MapUnit> &units) {
    std::vector<Interval> overlaps;
    std::uint64_t reached = 0;  // one past the highest address loaded so far
    bool any = false;
    for (const MapUnit &u : units) {
        if (any && u.bytes.first < reached) {
            const std::uint64_t end = std::min<std::uint64_t>(reached - 1, u.bytes.last);
            overlaps.push_back({u.bytes.first, std::uint32_t(end)});
        }
        reached = std::max<std::uint64_t>(reached, std::uint64_t{u.bytes.last} + 1);
        any = true;
    }
    std::sort(overlaps.begin(), overlaps.end(), [](const Interval &a, const Interval &b) { return a.first < b.first; });
    return joinIntervals(std::move(overlaps));
}

std::vector<Interval> runsOf(const MemoryImage &memory) {
    std::vector<Interval> runs;
    for (const MemoryImage::Byte &b : memory.bytes) {
        if (!runs.empty() && std::uint64_t{runs.back().last} + 1 == b.address) {
            runs.back().last = b.address;
        } else {
            runs.push_back({b.address, b.address});
        }
    }
    return runs;
}

// `from` less the addresses of `taken`; both sorted and joined.
std::vector<Interval> without(const std::vector<Interval> &from, const std::vector<Interval> &taken) {
    std::vector<Interval> left;
    std::size_t t = 0;
    for (const Interval &run : from) {
        std::uint64_t next = run.first;
        while (t < taken.size() && taken[t].last < next) ++t;
        for (std::size_t k = t; k < taken.size() && taken[k].first <= run.last && next <= run.last; ++k) {
            if (taken[k].first > next) left.push_back({std::uint32_t(next), taken[k].first - 1});
            next = std::uint64_t{taken[k].last} + 1;
        }
        if (next <= run.last) left.push_back({std::uint32_t(next), run.last});
    }
    return left;
}

}  // namespace

MapContents mapContents(const DryRun &run) {
    MapContents contents;
    // The CODE file on the left, as the code comes first in the address space.
    for (const WrittenImage &image : run.images)
        contents.columns.push_back(MapColumn{image.extension, image.code, {}, {}, {}, {}, {}});
    std::stable_sort(contents.columns.begin(), contents.columns.end(),
                     [](const MapColumn &a, const MapColumn &b) { return a.code && !b.code; });
    if (!run.module) return contents;
    const romcast::Module &module = *run.module;
    const bool dualArea = contents.columns.size() > 1;

    std::vector<int> columnOfSection(module.sections.size(), -1);
    for (std::size_t k = 0; k < module.sections.size(); ++k) {
        std::string why;
        columnOfSection[k] = columnOf(module.sections[k], contents.columns, dualArea, why);
        if (columnOfSection[k] >= 0) {
            contents.columns[std::size_t(columnOfSection[k])].sections.push_back(&module.sections[k]);
        } else if (!why.empty()) {
            contents.leftOut.push_back({&module.sections[k], why});
        }
    }
    // A unit goes with the first section of its index that is in the image
    // (in a dual-area run, a code section before a ROM data section).
    auto sectionOfUnit = [&](std::uint32_t index) -> int {
        int found = -1;
        for (std::size_t k = 0; k < module.sections.size(); ++k) {
            if (module.sections[k].index != index || columnOfSection[k] < 0) continue;
            if (found < 0 || (contents.columns[std::size_t(columnOfSection[k])].code &&
                              !contents.columns[std::size_t(columnOfSection[std::size_t(found)])].code))
                found = int(k);
        }
        return found;
    };
    // Units come in runs of one section: one look-up a run.
    std::uint32_t lastIndex = 0;
    int lastSection = -2;
    for (const romcast::Unit &u : module.units) {
        if (u.size == 0) continue;
        if (lastSection == -2 || lastIndex != u.section) {
            lastIndex = u.section;
            lastSection = sectionOfUnit(u.section);
        }
        if (lastSection < 0) continue;
        const std::size_t s = std::size_t(lastSection);
        contents.columns[std::size_t(columnOfSection[s])].units.push_back({unitBytes(u), &module.sections[s]});
    }

    std::vector<Interval> securityAddresses;
    for (const romcast::SecurityByte &b : run.result.security) securityAddresses.push_back({b.address, b.address});
    std::sort(securityAddresses.begin(), securityAddresses.end(), [](const Interval &a, const Interval &b) { return a.first < b.first; });
    for (std::size_t k = 0; k < contents.columns.size(); ++k) {
        MapColumn &column = contents.columns[k];
        // The module lists units in address order already; a dual-area run
        // or equal addresses aside, sorting them again would cost a million
        // units more than the conversion.
        const auto byAddress = [](const MapUnit &a, const MapUnit &b) { return a.bytes.first < b.bytes.first; };
        if (!std::is_sorted(column.units.begin(), column.units.end(), byAddress))
            std::stable_sort(column.units.begin(), column.units.end(), byAddress);
        column.overlaps = overlapsOf(column.units);
        const auto image = std::find_if(run.images.begin(), run.images.end(),
                                        [&](const WrittenImage &i) { return i.extension == column.extension; });
        column.written = runsOf(image->memory);
        std::vector<Interval> loaded;
        for (const MapUnit &u : column.units) loaded.push_back(u.bytes);
        loaded.insert(loaded.end(), securityAddresses.begin(), securityAddresses.end());
        const auto byFirst = [](const Interval &a, const Interval &b) { return a.first < b.first; };
        if (!std::is_sorted(loaded.begin(), loaded.end(), byFirst)) std::sort(loaded.begin(), loaded.end(), byFirst);
        column.filled = without(column.written, joinIntervals(std::move(loaded)));
    }

    // The security bytes go with the ROM data file, which holds them.
    std::size_t securityColumn = 0;
    for (std::size_t k = 0; k < contents.columns.size(); ++k)
        if (!contents.columns[k].code) securityColumn = k;
    for (const romcast::SecurityByte &b : run.result.security)
        contents.security.push_back({b, securityColumn, run.byteAt(b.address) == b.value});
    return contents;
}

std::vector<Interval> marksOf(const MapContents &contents, const DryRun &run) {
    std::vector<Interval> marks;
    for (const MapColumn &column : contents.columns) {
        // Only a fill's ends: a long fill is drawn short like a gap, so that
        // filling a 1 MiB space does not squeeze the sections into slivers.
        for (const Interval &f : column.filled) {
            marks.push_back({f.first, f.first});
            marks.push_back({f.last, f.last});
        }
        for (const romcast::Section *s : column.sections)
            marks.push_back({s->base, std::uint32_t(std::min<std::uint64_t>(std::uint64_t{s->base} + s->size - 1, 0xFFFFFFFF))});
        for (const MapUnit &u : column.units) marks.push_back(u.bytes);
    }
    for (const MapSecurityByte &b : contents.security) marks.push_back({b.asked.address, b.asked.address});
    if (!contents.columns.empty() && run.options.range) {
        marks.push_back({run.options.range->start, run.options.range->start});
        if (run.options.range->end) marks.push_back({*run.options.range->end, *run.options.range->end});
    }
    return marks;
}

}  // namespace modinspect
