#include "security/moduleIdSettings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"
#include "security/idReport.h"
#include "security/securityOptions.h"

namespace {

// Bits of moduleIdState.
constexpr std::uint32_t foundId = 1;
constexpr std::uint32_t foundProtect = 2;

// The attribute number of the texts that carry the ID settings.
constexpr std::uint32_t idTextAttribute = 55;
// Only the first three such texts count; a linker writes at most a revision
// mark, an ID text and a protect text.
constexpr int maxTextsExamined = 3;
constexpr int maxHexIdDigits = 2 * idByteCount;

const char revisionPrefix[] = "REV.F";
const char idPrefix[] = ".ID ";
const char protectPrefix[] = ".PROTECT ";
constexpr std::size_t idPrefixLength = sizeof idPrefix - 1;
constexpr std::size_t protectPrefixLength = sizeof protectPrefix - 1;

constexpr std::uint32_t allProtectFlags = flag::protect1 | flag::protect2 | flag::protectX |
                                          flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;
constexpr std::uint32_t ofsFlags = flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;
constexpr std::uint32_t protectFlags = flag::protect1 | flag::protect2 | flag::protectX;

// The value run of the attribute being read (8 KB: kept off the stack).
RecordCapture attributeCapture;

bool startsWith(const char *text, const char *prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool isHexChar(char c) { return isHexDigit(static_cast<unsigned char>(c)); }

int hexCharValue(char c) { return hexDigitValue(static_cast<unsigned char>(c)); }

[[noreturn]] void rejectModule() { fatalError(err::illegalFormat, settings.inputName); }

// "#" followed by nothing but hexadecimal digits, at most 14 of them.
bool isWellFormedHexId(const char *text) {
    int digits = 0;
    for (const char *p = text + 1; *p != '\0'; ++p, ++digits) {
        if (!isHexChar(*p) || digits == maxHexIdDigits) return false;
    }
    return true;
}

// Decodes the name that opens an attribute's value run into `text`. Returns
// false when the run does not open with a name (such an attribute is ignored);
// a name longer than `text` holds, or running past the record, is a broken module.
bool decodeAttributeText(const RecordCapture &capture, char *text) {
    if (capture.length <= 0) return false;
    const std::uint8_t lead = capture.bytes[0];
    if (lead >= 0x80 && lead != 0xDE && lead != 0xDF) return false;
    const int end = parseNameAt(capture.bytes, 0, text, nameBufferSize);
    if (end == 0 || end > capture.length) rejectModule();
    return true;
}

// Takes one attribute text: an ID text or a protect text replaces an earlier
// one of its kind; anything else, the revision mark included, is passed over.
void takeAttributeText(const char *text) {
    if (startsWith(text, revisionPrefix)) return;
    if (startsWith(text, idPrefix)) {
        const char *id = text + idPrefixLength;
        if (id[0] == '#' && !isWellFormedHexId(id)) rejectModule();
        std::strcpy(settings.moduleIdText, id);  // shorter than text, which fits the buffer
        settings.idText = settings.moduleIdText;
        settings.moduleIdState |= foundId;
        return;
    }
    if (startsWith(text, protectPrefix)) {
        const char *value = text + protectPrefixLength;
        if (!isHexChar(value[0]) || !isHexChar(value[1])) rejectModule();
        settings.moduleProtectValue =
            static_cast<std::uint32_t>(hexCharValue(value[0]) * 16 + hexCharValue(value[1]));
        settings.moduleIdState |= foundProtect;
    }
}

// The seven ID bytes from the module's ID text: "#" and hexadecimal digits
// pairing up high nibble first, or up to seven characters taken as their codes.
// Bytes that the text does not reach are 0.
void fillIdBytes(const char *text) {
    for (std::uint32_t &byte : settings.idBytes) byte = 0;
    if (text[0] == '#') {
        for (int k = 0; k < maxHexIdDigits && isHexChar(text[1 + k]); ++k) {
            const auto value = static_cast<std::uint32_t>(hexCharValue(text[1 + k]));
            settings.idBytes[k / 2] += (k % 2 == 0) ? value * 16 : value;
        }
        return;
    }
    for (int i = 0; i < idByteCount && text[i] != '\0'; ++i) {
        settings.idBytes[i] = static_cast<unsigned char>(text[i]);
    }
}

}  // namespace

void readModuleIdSettings() {
    std::FILE *file = settings.inputFile;
    char text[nameBufferSize];
    std::uint32_t number = 0;

    std::fseek(file, static_cast<long>(moduleParts.environmentPart), SEEK_SET);
    if (readTypeNumberName(&number, text, nameBufferSize, file) != rec::NN) rejectModule();

    RecordCapture &capture = attributeCapture;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::uint32_t attribute = 0;
    int examined = 0;
    capture.length = 0;
    while (readTypeAttribute(&first, &second, &attribute, &capture, file) == rec::ATN) {
        if (attribute == idTextAttribute && decodeAttributeText(capture, text)) {
            takeAttributeText(text);
            if (++examined == maxTextsExamined) break;
        }
        // A value run the reader refused leaves the capture as it was: never
        // let an old text be taken for the next attribute's.
        capture.length = 0;
    }
    applyModuleIdSettings();
}

void applyModuleIdSettings() {
    const std::uint32_t state = settings.moduleIdState;

    // The module's settings win; name the command-line options they displace.
    if (state != 0) {
        if (hasFlag(flag::idCode)) warn(wrn::idNotProcessed);
        if (hasFlag(ofsFlags)) {
            warn(wrn::ofsregNotProcessed);
        } else if (hasFlag(protectFlags)) {
            warn(wrn::protectNotProcessed);
        }
    }

    // A protect text without an ID text drops the command line's ID code.
    if (state == foundProtect) clearFlag(flag::idCode);

    if ((state & foundId) != 0 || hasFlag(flag::idCode)) createIdReport();

    if ((state & foundId) != 0) {
        setFlag(flag::idCode | flag::protectDefault);
        clearFlag(allProtectFlags);
        settings.protectValue = 0xFF;
        fillIdBytes(settings.moduleIdText);
    }
    if ((state & foundProtect) != 0) {
        clearFlag(flag::protectDefault | allProtectFlags);
        setFlag(flag::protectX);
        settings.protectValue = settings.moduleProtectValue;
    }
}
