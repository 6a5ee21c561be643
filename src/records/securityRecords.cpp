#include "records/securityRecords.h"

#include "run/conversion.h"

namespace {

std::uint32_t idAddress(const Conversion &conv, int i) { return conv.settings.idAreaBase + conv.settings.idAddressLow[i]; }

bool idWritten(ByteRecordOutput &writer, int i) { return (writer.recordState().securityWritten & (1u << i)) != 0; }

void writeIdRecord(const Conversion &conv, ByteRecordOutput &writer, int i) {
    writer.writeByteRecord(idAddress(conv, i), static_cast<std::uint8_t>(conv.settings.idBytes[i]));
    writer.recordState().securityWritten |= 1u << i;
}

// The protect byte in order of preference; nothing when no choice is in force.
void writeProtectRecord(const Conversion &conv, ByteRecordOutput &writer) {
    std::uint32_t value = conv.settings.protectValue;
    if (conv.settings.has(flag::protect1))
        value = 0x3F;
    else if (conv.settings.has(flag::protect2))
        value = 0xF3;
    else if (conv.settings.has(flag::protectDefault))
        value = 0xFF;
    else if (!conv.settings.has(flag::protectX))
        return;
    writer.writeByteRecord(conv.settings.protectAddress, static_cast<std::uint8_t>(value));
    writer.recordState().securityWritten |= securityBits::protect;
}

}  // namespace

void writeSkippedIdRecords(const Conversion &conv, ByteRecordOutput &writer, std::uint32_t address) {
    for (int i = 0; i < idByteCount; ++i) {
        const std::uint32_t a = idAddress(conv, i);
        if (a < writer.recordState().lastDataAddress || a >= address || idWritten(writer, i)) continue;
        writeIdRecord(conv, writer, i);
    }
}

void writeMissingSecurityRecords(const Conversion &conv, ByteRecordOutput &writer) {
    const std::uint32_t dataEnd = writer.recordState().lastDataAddress;
    if (conv.settings.has(flag::idCode)) {
        for (int i = 0; i < idByteCount; ++i) {
            if (dataEnd == 0 || idAddress(conv, i) < dataEnd || idWritten(writer, i)) continue;
            writeIdRecord(conv, writer, i);
        }
    }
    // Past the protect address the data held it already (substituted there).
    if ((writer.recordState().securityWritten & securityBits::protect) != 0 || dataEnd == 0 ||
        dataEnd > conv.settings.protectAddress || conv.settings.has(flag::directConvert))
        return;
    writeProtectRecord(conv, writer);
}
