#include "options/securityOptions.h"

#include <bit>
#include <cstdint>
#include <string_view>

#include "common/hexText.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"

namespace {

constexpr int targetTq8 = 2;
constexpr int targetTq8E = 4;
constexpr int targetTq8N = 8;

constexpr std::uint32_t protectFlags = flag::protect1 | flag::protect2 | flag::protectX;
constexpr std::uint32_t ofsFlags = flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;

const char *targetOptionText(int kind) {
    switch (kind) {
    case targetTq8: return "-TQ8";
    case targetTq8E: return "-TQ8E";
    case targetTq8N:
    default: return "-TQ8N";
    }
}

void copyFlag(RunSettings &settings, std::uint32_t from, std::uint32_t to) {
    if (settings.has(from))
        settings.set(to);
    else
        settings.clear(to);
}

// "#" and up to 14 hexadecimal digits, paired into bytes high nibble first.
int parseHexIdCode(RunSettings &settings, const char *digits) {
    const std::string_view text(digits);
    return pairHexDigits(text, settings.idBytes) == text.size() ? 0 : 1;
}

// Up to 7 letters and digits, one byte each as its character code.
int parseCharacterIdCode(RunSettings &settings, const char *text) {
    int count = 0;
    for (; count < idByteCount && isAlphaNumeric(text[count]); ++count)
        settings.idBytes[static_cast<std::size_t>(count)] = static_cast<std::uint8_t>(text[count]);
    return text[count] == '\0' ? 0 : 1;
}

}  // namespace

int parseIdCode(RunSettings &settings, const char *text) {
    // An ID code without any protect or OFS choice locks the chip with 0xFF.
    if (!settings.has(protectFlags | ofsFlags)) {
        settings.set(flag::protectDefault);
        settings.protectValue = 0xFF;
    }
    if (text[0] == '\0') {
        settings.idBytes.fill(0xFF);
        return 0;
    }
    settings.idBytes.fill(0);
    int result = text[0] == '#' ? parseHexIdCode(settings, text + 1) : parseCharacterIdCode(settings, text);
    if (result != 0) return result;
    settings.idText = text;
    return 0;
}

void selectTarget(RunSettings &settings, int kind) {
    if (settings.targetKind != 1) {
        if (settings.targetKind == kind) return;
        // "-TQ8E" is named whenever it is one of the two, else "-TQ8"; the
        // message never names "-TQ8N".
        bool eInvolved = settings.targetKind == targetTq8E || kind == targetTq8E;
        fatalError(err::cantUseWith, eInvolved ? "-TQ8E" : "-TQ8");
    }
    settings.targetKind = kind;
    settings.set(flag::tq8Target);
    if (kind == targetTq8) {
        settings.addressLimit = 0xFFFF;
        settings.addressLimitText = "0FFFFH";
    } else if (kind == targetTq8E) {
        settings.addressLimit = 0xFFFFF;
        settings.addressLimitText = "0FFFFFH";
    }
    // Every TQ8 chip keeps its security bytes at the top of a 64 KB space.
    settings.family = tq8Family;
}

void checkSecurityOptions(RunSettings &settings) {
    // The TQ8 chips have no ROM-protect choices of their own, only OFS ones.
    if (settings.has(flag::tq8Target) && settings.has(flag::protect1 | flag::protect2))
        fatalError(err::cantUseWith, targetOptionText(settings.targetKind));
    if (!settings.has(flag::tq8Target) && settings.has(ofsFlags)) fatalError(err::cantUseInTq40);

    if (std::popcount(settings.flags & (protectFlags | ofsFlags)) > 1)
        fatalError(err::multipleProtect);

    // On a TQ8 chip the OFS byte sits where the protect byte would, so the
    // writers only need to look at the protect flags. The OFS flags stay for
    // the ID report.
    if (settings.has(flag::tq8Target)) {
        copyFlag(settings, flag::ofsreg1, flag::protect1);
        copyFlag(settings, flag::ofsreg2, flag::protect2);
        if (settings.has(flag::ofsregX)) settings.set(flag::protectX);
    }
}
