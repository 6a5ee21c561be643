#include "output/securityRecords.h"

#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

namespace {

constexpr std::uint32_t bankMask = 0xFF0000;

std::uint32_t idAddress(int i) { return settings.idAreaBase + settings.idAddressLow[i]; }

bool idWritten(int i) { return (recordState.securityWritten & (1u << i)) != 0; }

// Intel HEX security records carry only the low 16 bits of their address. A
// reader places them by the last extended address record it saw, so a segment
// record for the ID page comes first unless that record already stands for it.
void selectIdPage(std::FILE *stream) {
    if (((recordState.lastUpperAddress ^ settings.idAreaBase) & bankMask) == 0) return;
    writeSegmentRecord(settings.idAreaBase, stream);
    recordState.lastUpperAddress = settings.idAreaBase;
}

// One byte at `address` as a record of its own.
void writeByteRecord(std::uint32_t address, std::uint32_t byte, std::FILE *stream) {
    HexLine line;
    if (hasFlag(flag::hexOutput)) {
        selectIdPage(stream);
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
        putHexByte(line, settings.securityHighByte);
        putHexByte(line, address >> 8);
        putHexByte(line, address);
        putHexByte(line, byte);
        putOnesComplementSum(line);
    }
    writeLine(line, stream);
}

void writeIdRecord(int i, std::FILE *stream) {
    writeByteRecord(idAddress(i), settings.idBytes[i], stream);
    recordState.securityWritten |= 1u << i;
}

// The protect byte in order of preference; nothing when no choice is in force.
void writeProtectRecord(std::FILE *stream) {
    const char *readyMade = nullptr;
    std::uint32_t value = settings.protectValue & 0xFF;
    if (hasFlag(flag::protect1)) {
        readyMade = settings.protect1Record;
        value = 0x3F;
    } else if (hasFlag(flag::protect2)) {
        readyMade = settings.protect2Record;
        value = 0xF3;
    } else if (hasFlag(flag::protectDefault)) {
        readyMade = settings.protectDefaultRecord;
        value = 0xFF;
    } else if (!hasFlag(flag::protectX)) {
        return;
    }
    if (readyMade != nullptr && !hasFlag(flag::hexOutput))
        std::fputs(readyMade, stream);
    else
        writeByteRecord(settings.protectAddress, value, stream);
    recordState.securityWritten |= securityBits::protect;
}

}  // namespace

void writeGapIdRecords(std::uint32_t address) {
    if (hasFlag(flag::binaryOutput)) return;
    for (int i = 0; i < idByteCount; ++i) {
        const std::uint32_t a = idAddress(i);
        if (a < recordState.lastDataAddress || a >= address || idWritten(i)) continue;
        writeIdRecord(i, recordState.currentOutput);
    }
}

void writeSecurityRecords(std::FILE *stream) {
    if (hasFlag(flag::binaryOutput)) return;
    const std::uint32_t dataEnd = recordState.lastDataAddress;
    if (hasFlag(flag::idCode)) {
        for (int i = 0; i < idByteCount; ++i) {
            if (dataEnd == 0 || idAddress(i) < dataEnd || idWritten(i)) continue;
            writeIdRecord(i, recordState.currentOutput);
        }
    }
    // Past the protect address the data held it already (substituted there).
    if ((recordState.securityWritten & securityBits::protect) != 0 || dataEnd == 0 ||
        dataEnd > settings.protectAddress || hasFlag(flag::directConvert))
        return;
    writeProtectRecord(stream);
}
