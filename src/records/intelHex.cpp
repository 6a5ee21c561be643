#include "records/intelHex.h"

#include "plan/imagePlan.h"
#include "common/hexText.h"

namespace {

// A record with the two-byte offset `address16`, the record type and `count`
// data bytes, ending in the two's complement checksum.
char *formatHexLine(char *at, std::uint32_t address16, std::uint32_t type, const std::uint8_t *bytes,
                    int count) {
    *at++ = ':';
    unsigned sum = static_cast<unsigned>(count) + (address16 >> 8 & 0xFF) + (address16 & 0xFF) + type;
    at = putHexPair(at, static_cast<unsigned>(count));
    at = putHexPair(at, address16 >> 8);
    at = putHexPair(at, address16);
    at = putHexPair(at, type);
    for (int i = 0; i < count; ++i) {
        sum += bytes[i];
        at = putHexPair(at, bytes[i]);
    }
    at = putHexPair(at, 0x100 - (sum & 0xFF));
    *at++ = '\n';
    return at;
}

// ":020000", the record type, the 16-bit value and the checksum.
char *formatAddressRecord(char *at, std::uint32_t type, std::uint32_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return formatHexLine(at, 0, type, bytes, 2);
}

// Only address bits 16 to 19 reach the segment; bank 0xFF maps to 0xF000.
char *formatSegmentRecord(char *at, std::uint32_t address) {
    return formatAddressRecord(at, 0x02, (address >> 4) & 0xF000);
}

}  // namespace

char *IntelHexWriter::formatData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) {
    // Bank 0xFF always gets its own address record before every data record.
    if (((lastUpperAddress ^ address) & bankMask) != 0 || (address & bankMask) == bankMask) {
        at = plan.extent.above1MB ? formatAddressRecord(at, 0xFF, (address >> 16) & 0xFF)
                                               : formatSegmentRecord(at, address);
    }
    at = formatHexLine(at, address & 0xFFFF, 0x00, bytes, count);
    lastUpperAddress = address;
    return at;
}

// Security records carry only the low 16 bits of their address. A reader places
// them by the last extended address record it saw, so a segment record for the
// ID page comes first unless that record already stands for it.
void IntelHexWriter::writeByteRecord(std::uint32_t address, std::uint8_t byte) {
    char *at = textRoom();
    const std::uint32_t page = plan.security.idAreaBase;
    if (((lastUpperAddress ^ page) & bankMask) != 0) {
        at = formatSegmentRecord(at, page);
        lastUpperAddress = page;
    }
    textDone(formatHexLine(at, address & 0xFFFF, 0x00, &byte, 1));
}

void IntelHexWriter::writeEndRecord(std::uint32_t) {
    putText(":00000001FF\n");
    writeBlock();
}
