// Intel HEX: data records of at most one 64 KiB bank each, extended address
// records in the segment form (type 02) or, for images above 1 MiB, in this
// converter's own bank form (type FF), and the end record.
#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

namespace {

constexpr std::uint32_t bankMask = 0xFF0000;

// ":020000", the record type, the 16-bit value and the checksum.
void writeAddressRecord(std::uint32_t type, std::uint32_t value, std::FILE *stream) {
    HexLine line;
    startLine(line, ":");
    putHexByte(line, 2);
    putHexByte(line, 0);
    putHexByte(line, 0);
    putHexByte(line, type);
    putHexByte(line, value >> 8);
    putHexByte(line, value);
    putTwosComplementSum(line);
    writeLine(line, stream);
}

}  // namespace

void writeSegmentRecord(std::uint32_t address, std::FILE *stream) {
    // Only address bits 16 to 19 reach the segment; bank 0xFF maps to 0xF000.
    writeAddressRecord(0x02, (address >> 4) & 0xF000, stream);
}

void writeExtendedAddress(std::uint32_t address, std::FILE *stream) {
    if (hasFlag(flag::above1MB))
        writeAddressRecord(0xFF, (address >> 16) & 0xFF, stream);
    else
        writeSegmentRecord(address, stream);
}

void writeIntelHexData(std::FILE *stream) {
    RecordState &state = recordState;
    // Bank 0xFF always gets its own address record before every data record.
    if (((state.lastUpperAddress ^ state.recordAddress) & bankMask) != 0 ||
        (state.recordAddress & bankMask) == bankMask)
        writeExtendedAddress(state.recordAddress, stream);
    HexLine line;
    startLine(line, ":");
    putHexByte(line, static_cast<std::uint32_t>(state.recordFill));
    putHexByte(line, state.recordAddress >> 8);
    putHexByte(line, state.recordAddress);
    putHexByte(line, 0x00);
    for (int i = 0; i < state.recordFill; ++i) putHexByte(line, state.recordBuffer[i]);
    putTwosComplementSum(line);
    writeLine(line, stream);
    state.lastUpperAddress = state.recordAddress;
}

void writeIntelHexEnd(std::FILE *stream) { std::fputs(":00000001FF\n", stream); }
