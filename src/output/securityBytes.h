// The ID code and the protect byte where image bytes pass through the writers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "driver/runSettings.h"

// Whether `address` may hold a security byte: the ID page or the protect address.
// A cheap test for the byte path; placeSecurityByte decides the rest.
inline bool maySecurityByteLie(std::uint32_t address) {
    return address - settings.idAreaBase < 0x100 || address == settings.protectAddress;
}

// The byte that the output receives at `address` in place of `byte` (a module or
// fill byte) written to `stream`: an ID code byte, the protect byte, or `byte`
// itself. Notes in recordState.securityWritten that the address is written.
std::uint8_t placeSecurityByte(std::uint32_t address, std::uint8_t byte, std::FILE *stream);

// Whether the protect byte replaces image bytes at its address in `stream`.
bool protectSubstituted(std::FILE *stream);
