#include "module/moduleIdTexts.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/hexText.h"
#include "module/moduleReader.h"

namespace {

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
std::optional<std::string> attributeText(const ModuleSource &module, const ValueRun &value) {
    if (value.bytes.empty()) return std::nullopt;
    const std::uint8_t lead = value.bytes[0];
    if (lead >= 0x80 && lead != 0xDE && lead != 0xDF) return std::nullopt;
    // A run that the end of the module cut off has always been read with one
    // byte 0xFF after it, for the read that met the end.
    std::vector<std::uint8_t> bytes(value.bytes.begin(), value.bytes.end());
    if (!value.complete) bytes.push_back(0xFF);
    ModuleReader run(bytes, module.name, CancelFlags{});
    const std::optional<std::string_view> name = run.readName();
    if (!name || name->size() >= nameBufferSize) rejectModule(module.name);
    return std::string(name->substr(0, name->find('\0')));
}

// Takes one attribute text: an ID text or a protect text replaces an earlier
// one of its kind; anything else, the revision mark included, is passed over.
void takeAttributeText(const ModuleSource &module, const char *text, ModuleIdTexts &texts) {
    if (startsWith(text, revisionPrefix)) return;
    if (startsWith(text, idPrefix)) {
        const char *id = text + idPrefixLength;
        if (id[0] == '#' && !isWellFormedHexId(id)) rejectModule(module.name);
        texts.idText = id;
        texts.idFound = true;
        return;
    }
    if (startsWith(text, protectPrefix)) {
        const char *value = text + protectPrefixLength;
        if (!isHexDigit(value[0]) || !isHexDigit(value[1])) rejectModule(module.name);
        texts.protectValue = static_cast<std::uint8_t>(hexDigitValue(value[0]) * 16 + hexDigitValue(value[1]));
        texts.protectText = value;
        texts.protectFound = true;
    }
}

}  // namespace

ModuleIdTexts readModuleIdTexts(const ModuleSource &module, std::uint32_t environmentPart) {
    ModuleReader reader = readerOf(module);
    reader.seek(environmentPart);
    if (reader.readRecordType() != rec::NN) reader.reject();
    reader.readNumber();
    reader.readName();

    ModuleIdTexts texts;
    int examined = 0;
    while (reader.readRecordType() == rec::ATN) {
        const Attribute attribute = reader.readAttribute();
        if (attribute.number != idTextAttribute) continue;
        if (const std::optional<std::string> text = attributeText(module, attribute.value)) {
            takeAttributeText(module, text->c_str(), texts);
            if (++examined == maxTextsExamined) break;
        }
    }
    return texts;
}
