// Motorola S-records: S2 data records with 24-bit addresses and the S8 end record.
#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

namespace {

// Three address bytes; an address above 24 bits keeps its low 24 bits, since an
// S2 or S8 record has no room for more.
void putAddress24(HexLine &line, std::uint32_t address) {
    putHexByte(line, address >> 16);
    putHexByte(line, address >> 8);
    putHexByte(line, address);
}

}  // namespace

char *formatSRecordData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) {
    *at++ = 'S';
    *at++ = '2';
    const unsigned length = static_cast<unsigned>(count) + 4;
    unsigned sum = length + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
    at = putHexPair(at, length);
    at = putHexPair(at, address >> 16);
    at = putHexPair(at, address >> 8);
    at = putHexPair(at, address);
    for (int i = 0; i < count; ++i) {
        sum += bytes[i];
        at = putHexPair(at, bytes[i]);
    }
    at = putHexPair(at, ~sum);
    *at++ = '\n';
    return at;
}

void writeSRecordData(std::FILE *stream) {
    const RecordState &state = recordState;
    char text[maxRecordText];
    const char *end = formatSRecordData(text, state.recordAddress, state.recordBuffer, state.recordFill);
    std::fwrite(text, 1, static_cast<std::size_t>(end - text), stream);
}

void writeSRecordEnd(std::uint32_t entryAddress, std::FILE *stream) {
    HexLine line;
    startLine(line, "S8");
    putHexByte(line, 4);
    putAddress24(line, entryAddress);
    putOnesComplementSum(line);
    writeLine(line, stream);
}
