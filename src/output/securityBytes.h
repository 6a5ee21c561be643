// The ID code and the protect byte where image bytes pass through the writers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "driver/runSettings.h"

struct Conversion;

// Whether `address` may hold a security byte: the ID page or the protect address.
// A cheap test for the byte path; placeSecurityByte decides the rest.
inline bool maySecurityByteLie(Conversion &conv, std::uint32_t address) {
    return address - conv.settings.idAreaBase < 0x100 || address == conv.settings.protectAddress;
}

// Whether any of the `count` addresses from `address` on may hold a security
// byte: the test of maySecurityByteLie for a whole run at once.
inline bool maySecurityByteLieIn(Conversion &conv, std::uint32_t address, std::uint32_t count) {
    const std::uint64_t first = address;
    const std::uint64_t end = first + count;
    const std::uint64_t page = conv.settings.idAreaBase;
    // A page at the very top of the address space wraps; leave it to the byte test.
    if (page > 0xFFFFFF00u) return count > 0;
    if (first < page + 0x100 && end > page) return true;
    return conv.settings.protectAddress >= first && conv.settings.protectAddress < end;
}

// The byte that the output receives at `address` in place of `byte` (a module or
// fill byte) written to `stream`: an ID code byte, the protect byte, or `byte`
// itself. Notes in recordState.securityWritten that the address is written.
std::uint8_t placeSecurityByte(Conversion &conv, std::uint32_t address, std::uint8_t byte, std::FILE *stream);

// Whether the protect byte replaces image bytes at its address in `stream`.
bool protectSubstituted(Conversion &conv, std::FILE *stream);
