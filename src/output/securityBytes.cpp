#include "core/conversion.h"
#include "output/securityBytes.h"

#include "output/recordWriter.h"

bool protectSubstituted(Conversion &conv, std::FILE *stream) {
    // The CODE file of a dual-area run never holds the protect byte, and "-N"
    // copies the module's bytes unchanged.
    return !conv.settings.has(flag::directConvert) && stream != conv.outputs.stream(OutputRole::code) &&
           conv.settings.has(flag::protect1 | flag::protect2 | flag::idCode | flag::protectX);
}

std::uint8_t placeSecurityByte(Conversion &conv, std::uint32_t address, std::uint8_t byte, std::FILE *stream) {
    for (int i = 0; i < idByteCount; ++i) {
        if (address != conv.settings.idAreaBase + conv.settings.idAddressLow[i]) continue;
        conv.recordState.securityWritten |= 1u << i;
        if (conv.settings.has(flag::idCode)) byte = static_cast<std::uint8_t>(conv.settings.idBytes[i]);
        break;
    }
    // Tested after the ID code, so at a shared address the protect byte wins.
    if (address == conv.settings.protectAddress) {
        conv.recordState.securityWritten |= securityBits::protect;
        if (protectSubstituted(conv, stream)) byte = static_cast<std::uint8_t>(conv.settings.protectValue);
    }
    return byte;
}
