#include "driver/optionValues.h"

#include <cstdint>
#include <cstring>

#include "diag/memory.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/options.h"
#include "driver/runSettings.h"
#include "security/securityOptions.h"

namespace {

const char defaultExtension[] = ".tqx";

// parseHexValue over the characters from `begin` up to `end`, so that the
// parts of "a:b:c" are read in place. The value wraps at 32 bits unnoticed;
// only the final comparison with addressLimit decides.
int parseHexSpan(const char *begin, const char *end, std::uint32_t *value) {
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

int parseHexValue(const char *text, std::uint32_t *value) {
    return parseHexSpan(text, textEnd(text), value);
}

void applyRangeValue(const char *value) {
    const char *colon = std::strchr(value, ':');
    if (colon == nullptr) {
        if (parseHexValue(value, &settings.rangeStart) == 0) fatalError(err::rangeFormat);
        settings.rangeForm = 1;
        return;
    }
    // A second ":" lands in the end part and makes it unacceptable.
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    if (parseHexSpan(value, colon, &start) == 0 || parseHexValue(colon + 1, &end) == 0 ||
        end <= start)
        fatalError(err::rangeFormat);
    settings.rangeStart = start;
    settings.rangeEnd = end;
    settings.rangeForm = 2;
}

void applyFillValue(const char *value) {
    std::uint32_t data = 0;
    const char *firstColon = std::strchr(value, ':');
    if (firstColon == nullptr) {
        // The data byte is limited by addressLimit, not by 0xFF: only its low
        // byte is used.
        if (parseHexValue(value, &data) == 0) fatalError(err::invalidOption, value);
        settings.fillByte = static_cast<std::uint8_t>(data);
        settings.fillForm = 0;
        return;
    }
    std::uint32_t start = 0;
    if (parseHexSpan(value, firstColon, &data) == 0) fatalError(err::fillFormat);
    const char *secondColon = std::strchr(firstColon + 1, ':');
    if (secondColon == nullptr) {
        if (parseHexValue(firstColon + 1, &start) == 0) fatalError(err::fillFormat);
        settings.fillByte = static_cast<std::uint8_t>(data);
        settings.fillStart = start;
        settings.fillForm = 1;
        return;
    }
    // A third ":" lands in the end part and makes it unacceptable.
    std::uint32_t end = 0;
    if (parseHexSpan(firstColon + 1, secondColon, &start) == 0 ||
        parseHexValue(secondColon + 1, &end) == 0 || end <= start)
        fatalError(err::fillFormat);
    settings.fillByte = static_cast<std::uint8_t>(data);
    settings.fillStart = start;
    settings.fillEnd = end;
    settings.fillForm = 2;
}

void setInputName(const char *argument) {
    // Users type "/" as readily as "\": both end a directory part.
    const char *filePart = argument;
    for (const char *p = argument; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') filePart = p + 1;
    const char *extension = std::strrchr(filePart, '.');
    if (extension != nullptr) {
        if (compareNoCase(extension, defaultExtension) != 0)
            fatalError(err::unknownExtension, extension);
        settings.inputName = copyText(argument);
        return;
    }
    std::size_t length = std::strlen(argument);
    char *name = static_cast<char *>(allocateOrFail(length + sizeof defaultExtension));
    std::memcpy(name, argument, length);
    std::memcpy(name + length, defaultExtension, sizeof defaultExtension);
    settings.inputName = name;
}
