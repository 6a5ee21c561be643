#include "output/securityBytes.h"

#include "output/recordWriter.h"

bool protectSubstituted(std::FILE *stream) {
    // The CODE file of a dual-area run never holds the protect byte, and "-N"
    // copies the module's bytes unchanged.
    return !hasFlag(flag::directConvert) && stream != settings.codeOutputFile &&
           hasFlag(flag::protect1 | flag::protect2 | flag::idCode | flag::protectX);
}

std::uint8_t placeSecurityByte(std::uint32_t address, std::uint8_t byte, std::FILE *stream) {
    for (int i = 0; i < idByteCount; ++i) {
        if (address != settings.idAreaBase + settings.idAddressLow[i]) continue;
        recordState.securityWritten |= 1u << i;
        if (hasFlag(flag::idCode)) byte = static_cast<std::uint8_t>(settings.idBytes[i]);
        break;
    }
    // Tested after the ID code, so at a shared address the protect byte wins.
    if (address == settings.protectAddress) {
        recordState.securityWritten |= securityBits::protect;
        if (protectSubstituted(stream)) byte = static_cast<std::uint8_t>(settings.protectValue);
    }
    return byte;
}
