// Where each target family keeps its security bytes, and the ready-made
// records of its three fixed protect bytes.
#pragma once

#include <cstdint>

struct Conversion;

struct TargetFamily {
    std::uint32_t idAreaBase;           // base of the 256-byte ID page
    std::uint32_t securityHighByte;     // upper byte of the S2 address of security records
    std::uint32_t protectAddress;       // the last address of the family's space
    std::uint32_t protectChecksumBase;  // 0x05 plus the three bytes of protectAddress
    const char *protect1Record;         // S2 line placing 0x3F at protectAddress
    const char *protect2Record;         // ... 0xF3
    const char *protectDefaultRecord;   // ... 0xFF
};

extern const TargetFamily tq40Family;
extern const TargetFamily tq8Family;

// Sets the security addresses and records of the run to those of `family`.
void applyTargetFamily(Conversion &conv, const TargetFamily &family);
