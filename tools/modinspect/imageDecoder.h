// A small decoder of the three output forms, written apart from the converter's
// writers: the fuzzing target holds their outputs against each other with it,
// and the inspector reads back what a conversion in memory wrote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The memory image a file describes: every byte with its address, in address
// order, a later write of an address replacing an earlier one.
struct MemoryImage {
    struct Byte {
        std::uint32_t address;
        std::uint8_t value;
        bool operator==(const Byte &) const = default;
    };
    std::vector<Byte> bytes;
    std::vector<std::uint32_t> rewritten;  // addresses written more than once, in order
    bool usesBankRecords = false;  // Intel HEX with the 0xFF bank records
    std::string error;             // the first malformed line; empty when none
};

// `addressMask` limits the addresses to what another form can hold (0xFFFFF for
// Intel HEX with segment records, 0xFFFFFF with bank records), so that both
// forms of one image compare equal.
MemoryImage decodeSRecords(std::string_view text, std::uint32_t addressMask);
MemoryImage decodeIntelHex(std::string_view text);

// A binary image: the 4-byte length, the image, the 16-bit sum of its bytes and
// two zero bytes. Returns what is wrong with it; empty when nothing is.
std::string checkBinaryImage(std::string_view file);
