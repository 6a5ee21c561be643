#include "options/optionValues.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "common/hexText.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"

namespace {

const char defaultExtension[] = ".tqx";

// parseHexValue over the characters from `begin` up to `end`, so that the
// parts of "a:b:c" are read in place. The value wraps at 32 bits unnoticed;
// only the final comparison with addressLimit decides.
int parseHexSpan(const RunSettings &settings, const char *begin, const char *end, std::uint32_t *value) {
    std::uint32_t result = 0;
    for (const char *p = begin; p != end; ++p) {
        if (!isHexDigit(*p)) return 0;
        result = result * 16 + static_cast<std::uint32_t>(hexDigitValue(*p));
    }
    *value = result;
    return result <= settings.addressLimit ? 1 : 0;
}

const char *textEnd(const char *text) { return text + std::strlen(text); }

}  // namespace

int parseHexValue(const RunSettings &settings, const char *text, std::uint32_t *value) {
    return parseHexSpan(settings, text, textEnd(text), value);
}

int compareNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int ca = std::toupper(static_cast<unsigned char>(*a));
        int cb = std::toupper(static_cast<unsigned char>(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == '\0') return 0;
    }
}

void applyRangeValue(RunSettings &settings, const char *value) {
    const char *colon = std::strchr(value, ':');
    if (colon == nullptr) {
        if (parseHexValue(settings, value, &settings.rangeStart) == 0) fatalError(err::rangeFormat);
        settings.rangeForm = 1;
        return;
    }
    // A second ":" lands in the end part and makes it unacceptable.
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    if (parseHexSpan(settings, value, colon, &start) == 0 || parseHexValue(settings, colon + 1, &end) == 0 ||
        end <= start)
        fatalError(err::rangeFormat);
    settings.rangeStart = start;
    settings.rangeEnd = end;
    settings.rangeForm = 2;
}

void applyFillValue(RunSettings &settings, const char *value) {
    std::uint32_t data = 0;
    const char *firstColon = std::strchr(value, ':');
    if (firstColon == nullptr) {
        // The data byte is limited by addressLimit, not by 0xFF: only its low
        // byte is used.
        if (parseHexValue(settings, value, &data) == 0) fatalError(err::invalidOption, value);
        settings.fillByte = static_cast<std::uint8_t>(data);
        settings.fillForm = 0;
        return;
    }
    std::uint32_t start = 0;
    if (parseHexSpan(settings, value, firstColon, &data) == 0) fatalError(err::fillFormat);
    const char *secondColon = std::strchr(firstColon + 1, ':');
    if (secondColon == nullptr) {
        if (parseHexValue(settings, firstColon + 1, &start) == 0) fatalError(err::fillFormat);
        settings.fillByte = static_cast<std::uint8_t>(data);
        settings.fillStart = start;
        settings.fillForm = 1;
        return;
    }
    // A third ":" lands in the end part and makes it unacceptable.
    std::uint32_t end = 0;
    if (parseHexSpan(settings, firstColon + 1, secondColon, &start) == 0 ||
        parseHexValue(settings, secondColon + 1, &end) == 0 || end <= start)
        fatalError(err::fillFormat);
    settings.fillByte = static_cast<std::uint8_t>(data);
    settings.fillStart = start;
    settings.fillEnd = end;
    settings.fillForm = 2;
}

void setInputName(RunSettings &settings, const char *argument) {
    // Users type "/" as readily as "\": both end a directory part.
    const char *filePart = argument;
    for (const char *p = argument; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') filePart = p + 1;
    const char *extension = std::strrchr(filePart, '.');
    if (extension != nullptr) {
        if (compareNoCase(extension, defaultExtension) != 0)
            fatalError(err::unknownExtension, extension);
        settings.inputName = argument;
        return;
    }
    settings.inputName = std::string(argument) + defaultExtension;
}
