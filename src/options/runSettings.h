// The run settings: everything the command line decides. The option parser
// makes them and nothing changes them afterwards; every later step of the run
// reads them, and what a step makes of them is a value of its own.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "module/moduleIdTexts.h"
#include "options/targetFamily.h"

// Bits of RunSettings::flags. At start every bit is clear.
namespace flag {
constexpr std::uint32_t quiet = 0x1;              // "-.": no banner, no progress characters
constexpr std::uint32_t longRecords = 0x2;        // "-L": 32 data bytes per record
constexpr std::uint32_t outputNameGiven = 0x4;    // "-o" gave outputName
constexpr std::uint32_t entryGiven = 0x8;         // "-e" gave entryText
constexpr std::uint32_t hexOutput = 0x20;         // "-H": Intel HEX
constexpr std::uint32_t directConvert = 0x80;     // "-N": record by record, module order
constexpr std::uint32_t idCode = 0x200;           // an ID code is placed in the image
constexpr std::uint32_t protectDefault = 0x400;   // ID code without protect choice: byte 0xFF
constexpr std::uint32_t protect1 = 0x800;         // protect byte 0x3F
constexpr std::uint32_t protect2 = 0x1000;        // protect byte 0xF3
constexpr std::uint32_t protectX = 0x2000;        // protect byte given explicitly
constexpr std::uint32_t rangeGiven = 0x4000;      // "-A" was given
constexpr std::uint32_t binaryOutput = 0x8000;    // "-B": raw binary image
constexpr std::uint32_t fillGiven = 0x10000;      // "-F" was given
constexpr std::uint32_t tq8Target = 0x20000;      // "-TQ8", "-TQ8E" or "-TQ8N"
constexpr std::uint32_t debugListing = 0x40000;   // "+debug": write the .dbg listing
constexpr std::uint32_t forceDualArea = 0x80000;  // "+d51x"
constexpr std::uint32_t ofsreg1 = 0x400000;       // "-ofsreg1"
constexpr std::uint32_t ofsreg2 = 0x800000;       // "-ofsreg2"
constexpr std::uint32_t ofsregX = 0x1000000;      // "-ofsregx" with a byte
// The choices that put a protect byte into the image.
constexpr std::uint32_t protectPlaced = protect1 | protect2 | idCode | protectX;
}  // namespace flag



struct RunSettings {
    std::uint32_t flags = 0;  // bits of namespace flag

    // Option values.
    std::int32_t recordLength = 16;  // data bytes per text record: 16, or 32 with longRecords
    std::string outputName;          // "-o" as typed
    char entryText[10] = {};         // "-e" as typed, at most 9 characters
    std::int32_t rangeForm = 0;      // 0 none, 1 start only, 2 start and end
    std::uint32_t rangeStart = 0;    // "-A" start
    std::uint32_t rangeEnd = 0;      // "-A" end, with form 2
    std::int32_t fillForm = 0;       // 0 byte only, 1 byte and start, 2 byte, start and end
    std::uint8_t fillByte = 0xFF;    // byte written into gaps
    std::uint32_t fillStart = 0;     // first address of the fill range
    std::uint32_t fillEnd = 0;       // last address of the fill range
    std::int32_t targetKind = 1;     // 1 none, 2 "-TQ8", 4 "-TQ8E", 8 "-TQ8N"
    std::uint32_t addressLimit = 0xFFFFF;          // top of the target's address space
    const char *addressLimitText = "0FFFFFH";      // addressLimit as printed in messages

    // The security options: the ID code and the protect / OFS byte, and where
    // the target family keeps them.
    std::uint32_t protectValue = 0xFF;                  // protect / OFS byte (low byte used)
    std::array<std::uint8_t, idByteCount> idBytes{};    // the ID code, entry 0 at the lowest address
    std::string idText;                                 // the ID text as given
    TargetFamily family = tq40Family;

    // The input module's name, with extension. File names have no length limit
    // of their own: the system decides which names it accepts.
    std::string inputName;

    bool has(std::uint32_t bits) const { return (flags & bits) != 0; }
    void set(std::uint32_t bits) { flags |= bits; }
    void clear(std::uint32_t bits) { flags &= ~bits; }
};
