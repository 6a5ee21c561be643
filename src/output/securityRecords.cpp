#include "output/securityRecords.h"

#include "core/conversion.h"
#include "output/textRecordWriter.h"

namespace {

std::uint32_t idAddress(Conversion &conv, int i) { return conv.settings.idAreaBase + conv.settings.idAddressLow[i]; }

bool idWritten(TextRecordWriter &writer, int i) { return (writer.state.securityWritten & (1u << i)) != 0; }

void writeIdRecord(Conversion &conv, TextRecordWriter &writer, int i) {
    writer.writeByteRecord(idAddress(conv, i), static_cast<std::uint8_t>(conv.settings.idBytes[i]));
    writer.state.securityWritten |= 1u << i;
}

// The protect byte in order of preference; nothing when no choice is in force.
void writeProtectRecord(Conversion &conv, TextRecordWriter &writer) {
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
    writer.state.securityWritten |= securityBits::protect;
}

}  // namespace

void writeSkippedIdRecords(Conversion &conv, TextRecordWriter &writer, std::uint32_t address) {
    for (int i = 0; i < idByteCount; ++i) {
        const std::uint32_t a = idAddress(conv, i);
        if (a < writer.state.lastDataAddress || a >= address || idWritten(writer, i)) continue;
        writeIdRecord(conv, writer, i);
    }
}

void writeMissingSecurityRecords(Conversion &conv, TextRecordWriter &writer) {
    const std::uint32_t dataEnd = writer.state.lastDataAddress;
    if (conv.settings.has(flag::idCode)) {
        for (int i = 0; i < idByteCount; ++i) {
            if (dataEnd == 0 || idAddress(conv, i) < dataEnd || idWritten(writer, i)) continue;
            writeIdRecord(conv, writer, i);
        }
    }
    // Past the protect address the data held it already (substituted there).
    if ((writer.state.securityWritten & securityBits::protect) != 0 || dataEnd == 0 ||
        dataEnd > conv.settings.protectAddress || conv.settings.has(flag::directConvert))
        return;
    writeProtectRecord(conv, writer);
}
