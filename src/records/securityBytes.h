// The ID code and the protect byte where image bytes pass through the writers.
#pragma once

#include <cstdint>

#include "plan/securityPlan.h"

// Whether `address` may hold a security byte: the ID page or the protect address.
// A cheap test for the byte path; ImageWriter::securityByteAt decides the rest.
inline bool maySecurityByteLie(const SecurityPlan &security, std::uint32_t address) {
    return address - security.idAreaBase < 0x100 || address == security.protectAddress;
}

// How many of the `count` addresses from `address` on come before the first
// that may hold a security byte (`count` when none may). The addresses must not
// wrap past 0xFFFFFFFF; the ID page may.
inline std::uint32_t bytesBeforeSecurity(const SecurityPlan &security, std::uint32_t address, std::uint32_t count) {
    if (address - security.idAreaBase < 0x100) return 0;
    const std::uint32_t toPage = security.idAreaBase - address;
    const std::uint32_t toProtect = security.protectAddress - address;
    std::uint32_t before = count < toPage ? count : toPage;
    return before < toProtect ? before : toProtect;
}
