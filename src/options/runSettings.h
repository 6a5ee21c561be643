// The run settings: the one record of everything the command line decides and of
// the run-wide state that the driver, the reader, the writers, the security-byte
// handling and the diagnostics share. Each conversion owns one.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// Bits of RunSettings::flags. At start every bit is clear.
namespace flag {
constexpr std::uint32_t quiet = 0x1;              // "-.": no banner, no progress characters
constexpr std::uint32_t longRecords = 0x2;        // "-L": 32 data bytes per record
constexpr std::uint32_t outputNameGiven = 0x4;    // "-o" gave outputName
constexpr std::uint32_t entryGiven = 0x8;         // "-e" gave entryText
constexpr std::uint32_t hexOutput = 0x20;         // "-H": Intel HEX
constexpr std::uint32_t above1MB = 0x40;          // a counted section reaches past 0x100000
constexpr std::uint32_t directConvert = 0x80;     // "-N": record by record, module order
constexpr std::uint32_t dualArea = 0x100;         // CODE and ROMDATA go to two files
constexpr std::uint32_t idCode = 0x200;           // an ID code is placed in the image
constexpr std::uint32_t protectDefault = 0x400;   // ID code without protect choice: byte 0xFF
constexpr std::uint32_t protect1 = 0x800;         // protect byte 0x3F
constexpr std::uint32_t protect2 = 0x1000;        // protect byte 0xF3
constexpr std::uint32_t protectX = 0x2000;        // protect byte given explicitly
constexpr std::uint32_t rangeGiven = 0x4000;      // output limited to rangeStart..rangeEnd
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

constexpr int nameBufferSize = 256;  // names inside the module: 255 characters and a terminator
constexpr int idByteCount = 7;

struct RunSettings {
    std::uint32_t flags;  // bits of namespace flag

    // Option values.
    std::int32_t recordLength;       // data bytes per text record: 16, or 32 with longRecords
    std::string outputName;          // "-o" as typed
    char entryText[10];              // "-e" as typed, at most 9 characters
    std::int32_t rangeForm;          // 0 none, 1 start only, 2 start and end
    std::uint32_t rangeStart;        // first address written when rangeGiven
    std::uint32_t rangeEnd;          // last address written when rangeGiven
    std::int32_t fillForm;           // 0 byte only, 1 byte and start, 2 byte, start and end
    std::uint8_t fillByte;           // byte written into gaps
    std::uint32_t fillStart;         // first address of the fill range
    std::uint32_t fillEnd;           // last address of the fill range
    std::int32_t fillState;          // gap-fill progress during emission (0..3)
    std::int32_t targetKind;         // 1 none, 2 "-TQ8", 4 "-TQ8E", 8 "-TQ8N"
    std::uint32_t addressLimit;      // top of the target's address space
    const char *addressLimitText;    // addressLimit as printed in messages
    std::uint32_t protectValue;      // protect / OFS byte (low byte used)

    // Security bytes by target family.
    std::array<std::uint8_t, idByteCount> idBytes;  // the ID code, entry 0 at the lowest address
    std::string idText;                          // the ID text as given
    std::uint32_t idAddressLow[idByteCount];     // low address byte of each ID byte
    std::uint32_t idAreaBase;                    // base of the 256-byte ID page
    std::uint32_t idAddresses[idByteCount];      // full address of each ID byte
    std::uint32_t protectAddress;                // address of the protect / OFS byte

    // ID settings carried in the module.
    std::uint32_t moduleIdState;                 // bit 1: ".ID " found, bit 2: ".PROTECT " found
    char moduleIdText[nameBufferSize];           // text after ".ID "
    std::uint32_t moduleProtectValue;            // byte after ".PROTECT "

    // Files. A stream is nullptr until the file is opened. File names have no
    // length limit of their own: the system decides which names it accepts.
    std::string inputName;                       // the input module's name, with extension

    // Module extent: lowest start and highest last address of the counted sections.
    std::uint32_t lowestSectionAddress;
    std::uint32_t highestSectionAddress;

    bool has(std::uint32_t bits) const { return (flags & bits) != 0; }
    // A module that loads nothing leaves the extent at its start values.
    bool moduleLoadsNothing() const { return highestSectionAddress == 0 && lowestSectionAddress == 0xFFFFFF; }
    void set(std::uint32_t bits) { flags |= bits; }
    void clear(std::uint32_t bits) { flags &= ~bits; }
};


// Sets every field to its start value; the security fields are set afterwards
// by initSecurityDefaults.
void initRunSettings(RunSettings &settings);
