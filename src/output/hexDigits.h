// The one hex primitive of the text writers: two upper-case digits per byte from
// a table, while the writer keeps the running checksum. Nothing is formatted
// with printf on the way.
#pragma once

#include <cstdint>
#include <cstring>

inline constexpr char upperHexDigits[] = "0123456789ABCDEF";

// Both digits of every byte value, so that a byte costs one look-up and one
// two-character copy.
struct HexPairTable {
    char pairs[256][2];
};
inline constexpr HexPairTable hexPairs = [] {
    HexPairTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        table.pairs[byte][0] = upperHexDigits[byte >> 4];
        table.pairs[byte][1] = upperHexDigits[byte & 0x0F];
    }
    return table;
}();

// The two digits of a byte at `at`; returns the position after them. For writers
// that keep the position and the sum in locals.
inline char *putHexPair(char *at, std::uint32_t value) {
    std::memcpy(at, hexPairs.pairs[value & 0xFF], 2);
    return at + 2;
}
