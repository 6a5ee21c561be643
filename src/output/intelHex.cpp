// Intel HEX: data records of at most one 64 KiB bank each, extended address
// records in the segment form (type 02) or, for images above 1 MiB, in this
// converter's own bank form (type FF), and the end record.
#include "core/conversion.h"
#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

namespace {

constexpr std::uint32_t bankMask = 0xFF0000;

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

char *formatExtendedAddress(Conversion &conv, char *at, std::uint32_t address) {
    if (conv.settings.has(flag::above1MB)) return formatAddressRecord(at, 0xFF, (address >> 16) & 0xFF);
    return formatSegmentRecord(at, address);
}

void writeText(const char *text, const char *end, std::FILE *stream) {
    std::fwrite(text, 1, static_cast<std::size_t>(end - text), stream);
}

}  // namespace

void writeSegmentRecord(std::uint32_t address, std::FILE *stream) {
    char text[maxRecordText];
    writeText(text, formatSegmentRecord(text, address), stream);
}

void writeExtendedAddress(Conversion &conv, std::uint32_t address, std::FILE *stream) {
    char text[maxRecordText];
    writeText(text, formatExtendedAddress(conv, text, address), stream);
}

char *formatIntelHexData(Conversion &conv, char *at, std::uint32_t address, const std::uint8_t *bytes, int count) {
    RecordState &state = conv.recordState;
    // Bank 0xFF always gets its own address record before every data record.
    if (((state.lastUpperAddress ^ address) & bankMask) != 0 || (address & bankMask) == bankMask)
        at = formatExtendedAddress(conv, at, address);
    at = formatHexLine(at, address & 0xFFFF, 0x00, bytes, count);
    state.lastUpperAddress = address;
    return at;
}

void writeIntelHexData(Conversion &conv, std::FILE *stream) {
    const RecordState &state = conv.recordState;
    char text[maxRecordText];
    writeText(text, formatIntelHexData(conv, text, state.recordAddress, state.recordBuffer, state.recordFill), stream);
}

void writeIntelHexEnd(std::FILE *stream) { std::fputs(":00000001FF\n", stream); }
