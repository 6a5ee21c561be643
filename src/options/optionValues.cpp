#include "options/optionValues.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "common/hexText.h"
#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "options/securityOptions.h"

namespace {

const char defaultExtension[] = ".tqx";

// parseHexValue over the characters from `begin` up to `end`, so that the
// parts of "a:b:c" are read in place. The value wraps at 32 bits unnoticed;
// only the final comparison with addressLimit decides.
int parseHexSpan(Conversion &conv, const char *begin, const char *end, std::uint32_t *value) {
    std::uint32_t result = 0;
    for (const char *p = begin; p != end; ++p) {
        if (!isHexDigit(*p)) return 0;
        result = result * 16 + static_cast<std::uint32_t>(hexDigitValue(*p));
    }
    *value = result;
    return result <= conv.settings.addressLimit ? 1 : 0;
}

const char *textEnd(const char *text) { return text + std::strlen(text); }

}  // namespace

int parseHexValue(Conversion &conv, const char *text, std::uint32_t *value) {
    return parseHexSpan(conv, text, textEnd(text), value);
}

int compareNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int ca = std::toupper(static_cast<unsigned char>(*a));
        int cb = std::toupper(static_cast<unsigned char>(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == '\0') return 0;
    }
}

void applyRangeValue(Conversion &conv, const char *value) {
    const char *colon = std::strchr(value, ':');
    if (colon == nullptr) {
        if (parseHexValue(conv, value, &conv.settings.rangeStart) == 0) fatalError(err::rangeFormat);
        conv.settings.rangeForm = 1;
        return;
    }
    // A second ":" lands in the end part and makes it unacceptable.
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    if (parseHexSpan(conv, value, colon, &start) == 0 || parseHexValue(conv, colon + 1, &end) == 0 ||
        end <= start)
        fatalError(err::rangeFormat);
    conv.settings.rangeStart = start;
    conv.settings.rangeEnd = end;
    conv.settings.rangeForm = 2;
}

void applyFillValue(Conversion &conv, const char *value) {
    std::uint32_t data = 0;
    const char *firstColon = std::strchr(value, ':');
    if (firstColon == nullptr) {
        // The data byte is limited by addressLimit, not by 0xFF: only its low
        // byte is used.
        if (parseHexValue(conv, value, &data) == 0) fatalError(err::invalidOption, value);
        conv.settings.fillByte = static_cast<std::uint8_t>(data);
        conv.settings.fillForm = 0;
        return;
    }
    std::uint32_t start = 0;
    if (parseHexSpan(conv, value, firstColon, &data) == 0) fatalError(err::fillFormat);
    const char *secondColon = std::strchr(firstColon + 1, ':');
    if (secondColon == nullptr) {
        if (parseHexValue(conv, firstColon + 1, &start) == 0) fatalError(err::fillFormat);
        conv.settings.fillByte = static_cast<std::uint8_t>(data);
        conv.settings.fillStart = start;
        conv.settings.fillForm = 1;
        return;
    }
    // A third ":" lands in the end part and makes it unacceptable.
    std::uint32_t end = 0;
    if (parseHexSpan(conv, firstColon + 1, secondColon, &start) == 0 ||
        parseHexValue(conv, secondColon + 1, &end) == 0 || end <= start)
        fatalError(err::fillFormat);
    conv.settings.fillByte = static_cast<std::uint8_t>(data);
    conv.settings.fillStart = start;
    conv.settings.fillEnd = end;
    conv.settings.fillForm = 2;
}

void setInputName(Conversion &conv, const char *argument) {
    // Users type "/" as readily as "\": both end a directory part.
    const char *filePart = argument;
    for (const char *p = argument; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') filePart = p + 1;
    const char *extension = std::strrchr(filePart, '.');
    if (extension != nullptr) {
        if (compareNoCase(extension, defaultExtension) != 0)
            fatalError(err::unknownExtension, extension);
        conv.settings.inputName = argument;
        return;
    }
    conv.settings.inputName = std::string(argument) + defaultExtension;
}
