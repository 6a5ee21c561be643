#include "mapAxis.h"

#include <algorithm>

namespace modinspect {
namespace {

// A gap is drawn short when a plain scale would give it more than this share
// of the axis; at most so many of the longest are, so that a module of a
// million scattered units still gets an axis a reader can follow.
constexpr double breakShare = 1.0 / 24;
constexpr std::size_t mostBreaks = 24;
constexpr double breakHeight = 34;
constexpr double shortestStretch = 22;  // room for a label

std::uint64_t length(const Interval &i) { return std::uint64_t{i.last} - i.first + 1; }

}  // namespace

std::vector<Interval> joinIntervals(std::vector<Interval> sorted) {
    std::vector<Interval> joined;
    for (const Interval &i : sorted) {
        if (!joined.empty() && std::uint64_t{i.first} <= std::uint64_t{joined.back().last} + 1) {
            joined.back().last = std::max(joined.back().last, i.last);
        } else {
            joined.push_back(i);
        }
    }
    return joined;
}

Axis Axis::fit(std::vector<Interval> marks, double top, double height) {
    Axis axis;
    axis.top_ = top;
    if (marks.empty()) return axis;
    std::sort(marks.begin(), marks.end(), [](const Interval &a, const Interval &b) { return a.first < b.first; });
    const std::vector<Interval> covered = joinIntervals(std::move(marks));
    const std::uint64_t span = std::uint64_t{covered.back().last} - covered.front().first + 1;

    // The gaps between covered stretches, the longest first; those long enough
    // become breaks.
    std::vector<Interval> gaps;
    for (std::size_t k = 1; k < covered.size(); ++k) gaps.push_back({covered[k - 1].last + 1, covered[k].first - 1});
    std::sort(gaps.begin(), gaps.end(), [](const Interval &a, const Interval &b) { return length(a) > length(b); });
    std::size_t breaks = 0;
    while (breaks < gaps.size() && breaks < mostBreaks && double(length(gaps[breaks])) > breakShare * double(span))
        ++breaks;
    gaps.resize(breaks);
    std::sort(gaps.begin(), gaps.end(), [](const Interval &a, const Interval &b) { return a.first < b.first; });

    // Stretches between the breaks, each given a height by its bytes.
    std::vector<AxisPiece> pieces;
    std::uint32_t from = covered.front().first;
    std::uint64_t stretchBytes = 0;
    for (const Interval &gap : gaps) {
        pieces.push_back({from, gap.first - 1, 0, 0, false});
        pieces.push_back({gap.first, gap.last, 0, 0, true});
        stretchBytes += std::uint64_t{gap.first} - from;
        from = gap.last + 1;
    }
    pieces.push_back({from, covered.back().last, 0, 0, false});
    stretchBytes += std::uint64_t{covered.back().last} - from + 1;

    double y = top;
    for (AxisPiece &piece : pieces) {
        piece.top = y;
        const double share = height * double(std::uint64_t{piece.last} - piece.first + 1) / double(stretchBytes);
        y += piece.isBreak ? breakHeight : std::max(shortestStretch, share);
        piece.bottom = y;
    }
    axis.pieces_ = std::move(pieces);
    return axis;
}

const AxisPiece *Axis::pieceOf(std::uint32_t address) const {
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), address,
                                        [](std::uint32_t a, const AxisPiece &p) { return a < p.first; });
    return after == pieces_.begin() ? nullptr : &*(after - 1);
}

double Axis::position(std::uint64_t offset, const AxisPiece &piece) const {
    const double bytes = double(std::uint64_t{piece.last} - piece.first + 1);
    return piece.top + (piece.bottom - piece.top) * double(offset) / bytes;
}

double Axis::at(std::uint32_t address) const {
    const AxisPiece *piece = pieceOf(address);
    if (piece == nullptr) return top_;
    if (address > piece->last) return piece->bottom;
    return position(address - piece->first, *piece);
}

double Axis::below(std::uint32_t address) const {
    const AxisPiece *piece = pieceOf(address);
    if (piece == nullptr) return top_;
    if (address > piece->last) return piece->bottom;
    return position(std::uint64_t{address} - piece->first + 1, *piece);
}

}  // namespace modinspect
