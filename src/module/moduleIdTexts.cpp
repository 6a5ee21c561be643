#include "module/moduleIdTexts.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/hexText.h"
#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "module/moduleHeader.h"
#include "module/moduleReader.h"
#include "options/securityOptions.h"

namespace {

// Bits of moduleIdState.
constexpr std::uint32_t foundId = 1;
constexpr std::uint32_t foundProtect = 2;

using moduleFormat::idTextAttribute;
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

bool startsWith(const char *text, const char *prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// "#" followed by nothing but hexadecimal digits, at most 14 of them.
bool isWellFormedHexId(const char *text) {
    int digits = 0;
    for (const char *p = text + 1; *p != '\0'; ++p, ++digits) {
        if (!isHexDigit(*p) || digits == maxHexIdDigits) return false;
    }
    return true;
}

// The name that opens an attribute's value run, with its characters up to a NUL
// as a text takes them. No value when the run does not open with a name (such an
// attribute is ignored); a name longer than a text holds, or cut off by the end
// of the run, is a broken module.
std::optional<std::string> attributeText(Conversion &conv, const ValueRun &value) {
    if (value.bytes.empty()) return std::nullopt;
    const std::uint8_t lead = value.bytes[0];
    if (lead >= 0x80 && lead != 0xDE && lead != 0xDF) return std::nullopt;
    // A run that the end of the module cut off has always been read with one
    // byte 0xFF after it, for the read that met the end.
    std::vector<std::uint8_t> bytes(value.bytes.begin(), value.bytes.end());
    if (!value.complete) bytes.push_back(0xFF);
    ModuleReader run(bytes, conv.settings.inputName.c_str(), CancelFlags{});
    const std::optional<std::string_view> name = run.readName();
    if (!name || name->size() >= nameBufferSize) rejectModule(conv.settings.inputName.c_str());
    return std::string(name->substr(0, name->find('\0')));
}

// Takes one attribute text: an ID text or a protect text replaces an earlier
// one of its kind; anything else, the revision mark included, is passed over.
void takeAttributeText(Conversion &conv, const char *text) {
    if (startsWith(text, revisionPrefix)) return;
    if (startsWith(text, idPrefix)) {
        const char *id = text + idPrefixLength;
        if (id[0] == '#' && !isWellFormedHexId(id)) rejectModule(conv.settings.inputName.c_str());
        std::strcpy(conv.settings.moduleIdText, id);  // shorter than text, which fits the buffer
        conv.settings.idText = conv.settings.moduleIdText;
        conv.settings.moduleIdState |= foundId;
        return;
    }
    if (startsWith(text, protectPrefix)) {
        const char *value = text + protectPrefixLength;
        if (!isHexDigit(value[0]) || !isHexDigit(value[1])) rejectModule(conv.settings.inputName.c_str());
        conv.settings.moduleProtectValue =
            static_cast<std::uint32_t>(hexDigitValue(value[0]) * 16 + hexDigitValue(value[1]));
        conv.settings.moduleIdState |= foundProtect;
    }
}

// The seven ID bytes from the module's ID text: "#" and hexadecimal digits
// pairing up high nibble first, or up to seven characters taken as their codes.
// Bytes that the text does not reach are 0.
void fillIdBytes(Conversion &conv, const char *text) {
    conv.settings.idBytes.fill(0);
    if (text[0] == '#') {
        pairHexDigits(text + 1, conv.settings.idBytes);
        return;
    }
    for (int i = 0; i < idByteCount && text[i] != '\0'; ++i) {
        conv.settings.idBytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(text[i]);
    }
}

}  // namespace

void readModuleIdSettings(Conversion &conv) {
    ModuleReader reader = readerOf(conv);
    reader.seek(conv.parts.environmentPart);
    if (reader.readRecordType() != rec::NN) reader.reject();
    reader.readNumber();
    reader.readName();

    int examined = 0;
    while (reader.readRecordType() == rec::ATN) {
        const Attribute attribute = reader.readAttribute();
        if (attribute.number != idTextAttribute) continue;
        if (const std::optional<std::string> text = attributeText(conv, attribute.value)) {
            takeAttributeText(conv, text->c_str());
            if (++examined == maxTextsExamined) break;
        }
    }
    applyModuleIdSettings(conv);
}

void applyModuleIdSettings(Conversion &conv) {
    const std::uint32_t state = conv.settings.moduleIdState;

    // The module's settings win; name the command-line options they displace.
    if (state != 0) {
        if (conv.settings.has(flag::idCode)) conv.console.warn(wrn::idNotProcessed);
        if (conv.settings.has(ofsFlags)) {
            conv.console.warn(wrn::ofsregNotProcessed);
        } else if (conv.settings.has(protectFlags)) {
            conv.console.warn(wrn::protectNotProcessed);
        }
    }

    // A protect text without an ID text drops the command line's ID code.
    if (state == foundProtect) conv.settings.clear(flag::idCode);

    if ((state & foundId) != 0) {
        conv.settings.set(flag::idCode | flag::protectDefault);
        conv.settings.clear(allProtectFlags);
        conv.settings.protectValue = 0xFF;
        fillIdBytes(conv, conv.settings.moduleIdText);
    }
    if ((state & foundProtect) != 0) {
        conv.settings.clear(flag::protectDefault | allProtectFlags);
        conv.settings.set(flag::protectX);
        conv.settings.protectValue = conv.settings.moduleProtectValue;
    }
}
