// Writing module bytes for the benchmark programs: records are built by hand,
// with part offsets in the four-byte long form so they can be patched in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "module/moduleFormat.h"

using Bytes = std::vector<std::uint8_t>;
namespace rec = moduleFormat::rec;

inline void put(Bytes &out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

inline void putType(Bytes &out, std::int32_t type) { moduleFormat::appendType(out, type); }
inline void putName(Bytes &out, std::string_view name) { moduleFormat::appendName(out, name); }
inline void putLong(Bytes &out, std::uint32_t value) { moduleFormat::appendNumber(out, value, 4); }
// The section letters "AP": a code section.
inline void putCodeLetters(Bytes &out) {
    put(out, {static_cast<int>(moduleFormat::letterCode('A')), static_cast<int>(moduleFormat::letterP)});
}

inline void patchLong(Bytes &out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + 1 + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}
