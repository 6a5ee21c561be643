// The memory map's address axis: addresses grow downward, each stretch of the
// image drawn to a scale of its own, and the long gaps between stretches drawn
// short behind a break that states their length. A 64 KiB program with its ID
// code at the top of a 1 MiB space and a 16 MiB image both fit one screen.
#pragma once

#include <cstdint>
#include <vector>

namespace modinspect {

// Addresses `first` to `last`, both included.
struct Interval {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

struct AxisPiece {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    double top = 0;
    double bottom = 0;
    bool isBreak = false;  // a long gap, drawn short
};

class Axis {
public:
    // An axis through every address of `marks` (in any order), `top` pixels
    // down, its stretches sharing about `height` pixels.
    static Axis fit(std::vector<Interval> marks, double top, double height);

    bool empty() const { return pieces_.empty(); }
    const std::vector<AxisPiece> &pieces() const { return pieces_; }
    double bottom() const { return pieces_.empty() ? top_ : pieces_.back().bottom; }
    // Where the byte at `address` begins and ends on the axis; an address
    // outside the axis is drawn at its nearer end.
    double at(std::uint32_t address) const;
    double below(std::uint32_t address) const;

private:
    double top_ = 0;
    std::vector<AxisPiece> pieces_;
    double position(std::uint64_t offset, const AxisPiece &piece) const;
    const AxisPiece *pieceOf(std::uint32_t address) const;
};

// The intervals of `sorted` (by first address) joined where they touch or overlap.
std::vector<Interval> joinIntervals(std::vector<Interval> sorted);

}  // namespace modinspect
