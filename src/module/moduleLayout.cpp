#include "module/moduleLayout.h"

#include <algorithm>

const std::vector<SectionEntry> &walkSections(SectionList &tree) {
    if (!tree.sorted) {
        std::stable_sort(tree.nodes.begin(), tree.nodes.end(),
                         [](const SectionEntry &a, const SectionEntry &b) { return a.address < b.address; });
        tree.sorted = true;
    }
    return tree.nodes;
}

const std::vector<UnitEntry> &walkUnits(UnitList &tree) {
    if (!tree.sorted) {
        // Falling order, the other usual one, is turned round without a sort.
        std::vector<UnitEntry> &nodes = tree.nodes;
        if (std::is_sorted(nodes.rbegin(), nodes.rend(), unitBefore))
            std::reverse(nodes.begin(), nodes.end());
        else
            std::sort(nodes.begin(), nodes.end(), unitBefore);
        tree.sorted = true;
    }
    return tree.nodes;
}

bool UnitWalk::nextShared(const UnitEntry *&unit, std::uint32_t &place) {
    const auto laterPlace = [](const Run &a, const Run &b) { return a.place > b.place; };
    for (;;) {
        if (runAt_ < run_.last) {
            unit = &units_[runAt_++];
            place = run_.place;
            return true;
        }
        // The run is done for its section: again for the next one of its index.
        if (run_.place != noPlace && nextPlace_[run_.place] != noPlace) {
            runs_.push_back(Run{nextPlace_[run_.place], run_.first, run_.last});
            std::push_heap(runs_.begin(), runs_.end(), laterPlace);
        }
        run_.place = noPlace;
        if (runs_.empty()) {
            if (at_ == units_.size()) return false;
            // The units of the next address, in runs of one index each.
            const std::uint32_t address = units_[at_].address;
            while (at_ < units_.size() && units_[at_].address == address) {
                const std::size_t first = at_;
                while (at_ < units_.size() && units_[at_].address == address && units_[at_].section == units_[first].section)
                    ++at_;
                runs_.push_back(Run{units_[first].section, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(at_)});
            }
            std::make_heap(runs_.begin(), runs_.end(), laterPlace);
        }
        std::pop_heap(runs_.begin(), runs_.end(), laterPlace);
        run_ = runs_.back();
        runs_.pop_back();
        runAt_ = run_.first;
    }
}
