#include "output/securityBytes.h"

#include "output/imageWriter.h"

std::uint8_t ImageWriter::securityByteAt(std::uint32_t address, std::uint8_t byte) {
    for (int i = 0; i < idByteCount; ++i) {
        if (address != conv.settings.idAreaBase + conv.settings.idAddressLow[i]) continue;
        state.securityWritten |= 1u << i;
        if (conv.settings.has(flag::idCode)) byte = static_cast<std::uint8_t>(conv.settings.idBytes[i]);
        break;
    }
    // Tested after the ID code, so at a shared address the protect byte wins.
    if (address == conv.settings.protectAddress) {
        state.securityWritten |= securityBits::protect;
        if (holdsProtect()) byte = static_cast<std::uint8_t>(conv.settings.protectValue);
    }
    return byte;
}
