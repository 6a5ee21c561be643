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

void writeSRecordData(std::FILE *stream) {
    const RecordState &state = recordState;
    HexLine line;
    startLine(line, "S2");
    putHexByte(line, static_cast<std::uint32_t>(state.recordFill) + 4);
    putAddress24(line, state.recordAddress);
    for (int i = 0; i < state.recordFill; ++i) putHexByte(line, state.recordBuffer[i]);
    putOnesComplementSum(line);
    writeLine(line, stream);
}

void writeSRecordEnd(std::uint32_t entryAddress, std::FILE *stream) {
    HexLine line;
    startLine(line, "S8");
    putHexByte(line, 4);
    putAddress24(line, entryAddress);
    putOnesComplementSum(line);
    writeLine(line, stream);
}
