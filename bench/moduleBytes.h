// Writing module bytes for the benchmark programs: records are built by hand,
// with part offsets in the four-byte long form so they can be patched in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void put(Bytes &out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

inline void putLong(Bytes &out, std::uint32_t value) {
    put(out, {0x84, static_cast<int>(value >> 24), static_cast<int>((value >> 16) & 0xFF),
              static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF)});
}

inline void patchLong(Bytes &out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + 1 + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}
