// What a conversion makes of the module: its parts, sections and units, the ID
// settings it carries, and what a conversion refuses.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <cstdint>
#include <string>
#include <vector>

#include "moduleRecords.h"

namespace modinspect {

// Which image a kept section goes to.
enum class Image { none, normal, code, romdata };

struct Section {
    std::size_t offset = 0;
    std::uint64_t index = 0, base = 0, size = 0;
    std::string letters, name;
    Image image = Image::none;
    const char *fate = "";
    bool inExtent = false;  // nonzero size and not 'D': counted in the module's extent
    std::uint64_t end() const { return base + size; }  // one past the last byte
};

struct Unit {
    std::size_t offset = 0;  // of its ASP record
    std::uint64_t section = 0, address = 0, bytes = 0;
    long home = -1;  // the kept section that takes it, -1 for none
    std::uint64_t end() const { return address + bytes; }
};

struct AttributeText {
    std::size_t offset = 0;
    std::string text;
    bool hasText = false;
};

// The ID settings a conversion takes from the module: the first three
// attribute texts after the environment part's NN record.
struct ModuleIdSettings {
    bool scanned = false;  // the environment part begins with NN
    int idText = -1, protectText = -1;  // indexes into `texts`, the last of each kind wins
    std::vector<AttributeText> texts;  // the ones examined
    std::vector<AttributeText> unread;  // ".ID " and ".PROTECT " texts after those, in the same run
};

struct ModuleView {
    std::size_t fileSize = 0, recordCount = 0;
    bool hasMB = false, dualArea = false;
    std::string processor, name;
    std::map<std::uint64_t, std::uint64_t> parts;  // ASW index -> offset, the last one wins
    std::vector<Section> sections;
    std::vector<Unit> units;
    std::vector<AttributeText> attributeTexts;  // every attribute 55 text of the module
    ModuleIdSettings id;
    std::map<std::string, std::size_t> recordCounts;
    std::vector<std::string> problems;  // what a conversion refuses
};

ModuleView viewModule(const std::vector<Record> &records, std::size_t fileSize);

// The protect byte of a ".PROTECT " text, or -1 when two hexadecimal digits do not follow.
int protectValue(const std::string &text);
// The seven ID bytes of an ".ID " text: "#" and hexadecimal digits, or characters.
std::string idBytesOf(const std::string &text);
// Bytes as hexadecimal pairs with a space between: "01 02 FF".
std::string spacedHex(std::span<const std::uint8_t> bytes);
// "3 units, 0x0F0000..0x0F0023, 36 bytes" for the units of one section index.
std::string describeUnits(const ModuleView &view, std::uint64_t index);
bool startsWith(const std::string &text, const char *prefix);

}  // namespace modinspect
