#include "core/conversion.h"
#include "output/securityRecords.h"

#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

namespace {

constexpr std::uint32_t bankMask = 0xFF0000;

std::uint32_t idAddress(Conversion &conv, int i) { return conv.settings.idAreaBase + conv.settings.idAddressLow[i]; }

bool idWritten(Conversion &conv, int i) { return (conv.recordState.securityWritten & (1u << i)) != 0; }

// Intel HEX security records carry only the low 16 bits of their address. A
// reader places them by the last extended address record it saw, so a segment
// record for the ID page comes first unless that record already stands for it.
void selectIdPage(Conversion &conv, std::FILE *stream) {
    if (((conv.recordState.lastUpperAddress ^ conv.settings.idAreaBase) & bankMask) == 0) return;
    writeSegmentRecord(conv.settings.idAreaBase, stream);
    conv.recordState.lastUpperAddress = conv.settings.idAreaBase;
}

// One byte at `address` as a record of its own.
void writeByteRecord(Conversion &conv, std::uint32_t address, std::uint32_t byte, std::FILE *stream) {
    HexLine line;
    if (conv.settings.has(flag::hexOutput)) {
        selectIdPage(conv, stream);
        startLine(line, ":");
        putHexByte(line, 1);
        putHexByte(line, address >> 8);
        putHexByte(line, address);
        putHexByte(line, 0x00);
        putHexByte(line, byte);
        putTwosComplementSum(line);
    } else {
        startLine(line, "S2");
        putHexByte(line, 5);
        putHexByte(line, conv.settings.securityHighByte);
        putHexByte(line, address >> 8);
        putHexByte(line, address);
        putHexByte(line, byte);
        putOnesComplementSum(line);
    }
    writeLine(line, stream);
}

void writeIdRecord(Conversion &conv, int i, std::FILE *stream) {
    writeByteRecord(conv, idAddress(conv, i), conv.settings.idBytes[i], stream);
    conv.recordState.securityWritten |= 1u << i;
}

// The protect byte in order of preference; nothing when no choice is in force.
void writeProtectRecord(Conversion &conv, std::FILE *stream) {
    const char *readyMade = nullptr;
    std::uint32_t value = conv.settings.protectValue & 0xFF;
    if (conv.settings.has(flag::protect1)) {
        readyMade = conv.settings.protect1Record;
        value = 0x3F;
    } else if (conv.settings.has(flag::protect2)) {
        readyMade = conv.settings.protect2Record;
        value = 0xF3;
    } else if (conv.settings.has(flag::protectDefault)) {
        readyMade = conv.settings.protectDefaultRecord;
        value = 0xFF;
    } else if (!conv.settings.has(flag::protectX)) {
        return;
    }
    if (readyMade != nullptr && !conv.settings.has(flag::hexOutput))
        std::fputs(readyMade, stream);
    else
        writeByteRecord(conv, conv.settings.protectAddress, value, stream);
    conv.recordState.securityWritten |= securityBits::protect;
}

}  // namespace

void writeGapIdRecords(Conversion &conv, std::uint32_t address) {
    if (conv.settings.has(flag::binaryOutput)) return;
    for (int i = 0; i < idByteCount; ++i) {
        const std::uint32_t a = idAddress(conv, i);
        if (a < conv.recordState.lastDataAddress || a >= address || idWritten(conv, i)) continue;
        writeIdRecord(conv, i, conv.recordState.currentOutput);
    }
}

void writeSecurityRecords(Conversion &conv, std::FILE *stream) {
    if (conv.settings.has(flag::binaryOutput)) return;
    const std::uint32_t dataEnd = conv.recordState.lastDataAddress;
    if (conv.settings.has(flag::idCode)) {
        for (int i = 0; i < idByteCount; ++i) {
            if (dataEnd == 0 || idAddress(conv, i) < dataEnd || idWritten(conv, i)) continue;
            writeIdRecord(conv, i, conv.recordState.currentOutput);
        }
    }
    // Past the protect address the data held it already (substituted there).
    if ((conv.recordState.securityWritten & securityBits::protect) != 0 || dataEnd == 0 ||
        dataEnd > conv.settings.protectAddress || conv.settings.has(flag::directConvert))
        return;
    writeProtectRecord(conv, stream);
}
