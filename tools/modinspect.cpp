// modinspect: prints an IEEE 695 load module as readable text.
//
//   modinspect module        the module text of tests/README.md, one record a
//                            line, so that `modinspect m | modasm - copy` gives
//                            back the same bytes, also for a truncated or
//                            malformed file
//   modinspect -s module     a summary that fits a screen: processor, parts,
//                            sections and their units, the module's ID settings
//   modinspect --check [-TQ8|-TQ8E|-TQ8N] module
//                            a pre-flight: one line for each thing a conversion
//                            would do silently or only warn about
//
// A test and diagnosis tool: it shares no code with the converter, so that a
// misreading of the format in one does not hide in the other. Every byte is
// printed either as a field that modasm writes back identically (numbers in the
// long form they were written with, names only in their shortest form) or as
// verbatim bytes `<..>`.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class ItemKind { number, name, letters, omitted, comma, verbatim, loadData };

// One field of a record as modasm writes it.
struct Item {
    ItemKind kind = ItemKind::verbatim;
    std::uint64_t value = 0;  // number
    int width = 0;            // number: 0 for the shortest form, else its byte count
    std::string text;         // name, letters ('@'..'X')
    Bytes bytes;              // verbatim, loadData
};

Item makeItem(ItemKind kind) {
    Item item;
    item.kind = kind;
    return item;
}

// One line: a known record, or a RAW line (verbatim type bytes and fields, or
// bytes that stand where no record begins).
struct Record {
    std::size_t offset;
    std::uint32_t type;    // 0 for a RAW line
    const char *mnemonic;  // "RAW" when the type has no mnemonic
    std::vector<Item> items;
};

struct Mnemonic {
    const char *name;
    std::uint32_t type;
};

// The record types the module text has mnemonics for.
const Mnemonic mnemonics[] = {
    {"MB", 0xE0},     {"ME", 0xE1},     {"SB", 0xE5},     {"ST", 0xE6},     {"SA", 0xE7},
    {"AD", 0xEC},     {"LD", 0xED},     {"NN", 0xF0},     {"RE", 0xF7},     {"ASG", 0xE2C7},
    {"ASL", 0xE2CC},  {"ASP", 0xE2D0},  {"ASS", 0xE2D3},  {"ASW", 0xE2D7},  {"ATN", 0xF1CE},
};

constexpr std::uint32_t typeMB = 0xE0, typeME = 0xE1, typeSB = 0xE5, typeST = 0xE6;
constexpr std::uint32_t typeLD = 0xED, typeNN = 0xF0, typeRE = 0xF7, typeASG = 0xE2C7;
constexpr std::uint32_t typeASL = 0xE2CC, typeASP = 0xE2D0, typeASS = 0xE2D3;
constexpr std::uint32_t typeASW = 0xE2D7, typeATN = 0xF1CE;
constexpr std::uint64_t idTextAttribute = 55;

bool isRecordType(std::uint8_t b) { return b >= 0xE0 && b <= 0xFB; }
bool isTypePrefix(std::uint8_t b) { return b == 0xE2 || b == 0xF1 || b == 0xF8; }

int bytesNeeded(std::uint64_t value) {
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0) ++n;
    return n;
}

// ---- Reading the bytes into records ---------------------------------------

struct Parser {
    const Bytes &bytes;
    std::size_t pos;
    bool atEnd() const { return pos >= bytes.size(); }
    std::size_t left() const { return bytes.size() - pos; }
};

void addVerbatim(std::vector<Item> &items, const std::uint8_t *from, std::size_t count) {
    if (count == 0) return;
    if (items.empty() || items.back().kind != ItemKind::verbatim) items.push_back(makeItem(ItemKind::verbatim));
    items.back().bytes.insert(items.back().bytes.end(), from, from + count);
}

// Takes everything up to the end of the file verbatim: what is left of a field
// the file cuts short.
void takeRestVerbatim(Parser &p, std::vector<Item> &items) {
    addVerbatim(items, p.bytes.data() + p.pos, p.left());
    p.pos = p.bytes.size();
}

// A name whose length header starts at p.pos (`header` bytes, then `length`
// characters). Printed as a name only in the form modasm chooses for its length.
void takeName(Parser &p, std::vector<Item> &items, std::size_t header, std::size_t length) {
    if (p.left() < header + length) {
        takeRestVerbatim(p, items);
        return;
    }
    const bool shortest = header == 1 ? length < 0x80 : header == 2 ? length >= 0x80 : length > 0xFF;
    const std::uint8_t *start = p.bytes.data() + p.pos;
    if (shortest) {
        Item item = makeItem(ItemKind::name);
        item.text.assign(reinterpret_cast<const char *>(start + header), length);
        items.push_back(item);
    } else {
        addVerbatim(items, start, header + length);
    }
    p.pos += header + length;
}

// A name field: a length byte below 0x80, or 0xDE / 0xDF with the length after
// it. Returns false (nothing consumed) when the byte there starts no name.
bool takeNameField(Parser &p, std::vector<Item> &items) {
    if (p.atEnd()) return false;
    const std::uint8_t b = p.bytes[p.pos];
    if (b < 0x80) {
        takeName(p, items, 1, b);
    } else if (b == 0xDE && p.left() >= 2) {
        takeName(p, items, 2, p.bytes[p.pos + 1]);
    } else if (b == 0xDF && p.left() >= 3) {
        takeName(p, items, 3, (std::size_t{p.bytes[p.pos + 1]} << 8) | p.bytes[p.pos + 2]);
    } else if (b == 0xDE || b == 0xDF) {
        takeRestVerbatim(p, items);  // the length itself is cut short
    } else {
        return false;
    }
    return true;
}

// One item of the general grammar; the caller has checked that the byte at
// p.pos is not a record type.
void takeItem(Parser &p, std::vector<Item> &items) {
    const std::uint8_t b = p.bytes[p.pos];
    if (b < 0x80) {
        Item item = makeItem(ItemKind::number);
        item.value = b;
        items.push_back(item);
        ++p.pos;
    } else if (b == 0x80) {
        items.push_back(makeItem(ItemKind::omitted));
        ++p.pos;
    } else if (b <= 0x88) {
        const std::size_t n = b - 0x80;
        if (p.left() < n + 1) return takeRestVerbatim(p, items);
        Item item = makeItem(ItemKind::number);
        for (std::size_t i = 1; i <= n; ++i) item.value = (item.value << 8) | p.bytes[p.pos + i];
        const bool shortest = item.value >= 0x80 && bytesNeeded(item.value) == static_cast<int>(n);
        item.width = shortest ? 0 : static_cast<int>(n);
        items.push_back(item);
        p.pos += n + 1;
    } else if (b == 0x90) {
        items.push_back(makeItem(ItemKind::comma));
        ++p.pos;
    } else if (b >= 0xC0 && b <= 0xD8) {
        if (items.empty() || items.back().kind != ItemKind::letters) items.push_back(makeItem(ItemKind::letters));
        items.back().text += static_cast<char>('@' + (b - 0xC0));
        ++p.pos;
    } else if (b == 0xDE || b == 0xDF) {
        takeNameField(p, items);
    } else {
        addVerbatim(items, &p.bytes[p.pos], 1);  // operators and invalid bytes
        ++p.pos;
    }
}

void takeItemsToNextRecord(Parser &p, std::vector<Item> &items) {
    while (!p.atEnd() && !isRecordType(p.bytes[p.pos])) takeItem(p, items);
}

// LD: a count byte and that many data bytes, or verbatim when the file ends first.
void takeLoadData(Parser &p, Record &record) {
    if (p.atEnd() || p.left() < 1u + p.bytes[p.pos]) {
        record.mnemonic = "RAW";
        record.type = 0;
        addVerbatim(record.items, p.bytes.data() + p.pos - 1, p.left() + 1);
        p.pos = p.bytes.size();
        return;
    }
    Item item = makeItem(ItemKind::loadData);
    item.bytes.assign(p.bytes.begin() + static_cast<long>(p.pos) + 1,
                      p.bytes.begin() + static_cast<long>(p.pos) + 1 + p.bytes[p.pos]);
    p.pos += 1 + item.bytes.size();
    record.items.push_back(item);
}

// The fields of a known record: names where the record has names, and the
// general grammar elsewhere, up to the next record type byte.
void takeBody(Parser &p, Record &record) {
    std::vector<Item> &items = record.items;
    // Up to `count` fields; a run of letters is one field.
    auto takeGeneral = [&](std::size_t count) {
        while (!p.atEnd() && !isRecordType(p.bytes[p.pos])) {
            const std::uint8_t b = p.bytes[p.pos];
            const bool moreLetters = !items.empty() && items.back().kind == ItemKind::letters &&
                                     b >= 0xC0 && b <= 0xD8;
            if (items.size() >= count && !moreLetters) break;
            takeItem(p, items);
        }
    };
    auto takeNameHere = [&]() {
        if (!p.atEnd() && !isRecordType(p.bytes[p.pos])) takeNameField(p, items);
    };
    switch (record.type) {
        case typeMB:
            takeNameHere();
            takeNameHere();
            break;
        case typeNN:
            takeGeneral(1);
            takeNameHere();
            break;
        case typeST:
            takeGeneral(2);  // index, letters
            takeNameHere();
            break;
        case typeATN:
            takeGeneral(3);
            if (items.size() == 3 && items[2].kind == ItemKind::number &&
                items[2].value == idTextAttribute)
                takeNameHere();
            break;
        case typeLD:
            // LD lines hold data bytes only: whatever follows them goes on a RAW line.
            takeLoadData(p, record);
            return;
        default:
            break;
    }
    takeItemsToNextRecord(p, items);
}

std::vector<Record> parseModule(const Bytes &bytes) {
    std::vector<Record> records;
    Parser p{bytes, 0};
    while (!p.atEnd()) {
        Record record{p.pos, 0, "RAW", {}};
        const std::uint8_t b = bytes[p.pos];
        if (!isRecordType(b)) {
            takeItemsToNextRecord(p, record.items);
            records.push_back(record);
            continue;
        }
        std::size_t typeLength = 1;
        std::uint32_t type = b;
        if (isTypePrefix(b)) {
            typeLength = p.left() >= 2 ? 2 : 1;
            type = typeLength == 2 ? (b << 8 | bytes[p.pos + 1]) : 0;
        }
        for (const Mnemonic &m : mnemonics)
            if (m.type == type) record.mnemonic = m.name;
        if (std::strcmp(record.mnemonic, "RAW") == 0) {
            addVerbatim(record.items, &bytes[p.pos], typeLength);
            p.pos += typeLength;
            takeItemsToNextRecord(p, record.items);
        } else {
            record.type = type;
            p.pos += typeLength;
            takeBody(p, record);
        }
        records.push_back(record);
    }
    return records;
}

// ---- The module text --------------------------------------------------------

std::string hexNumber(std::uint64_t value, int digits) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buffer;
}

// Hexadecimal byte pairs; a run of 8 or more equal bytes as `FF*16`.
std::string hexBytes(const Bytes &bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i]) ++run;
        char buffer[32];
        if (run >= 8) {
            std::snprintf(buffer, sizeof buffer, "%02X*%zu", bytes[i], run);
        } else {
            std::snprintf(buffer, sizeof buffer, "%02X", bytes[i]);
            run = 1;
        }
        if (!out.empty()) out += ' ';
        out += buffer;
        i += run;
    }
    return out;
}

std::string quoteName(const std::string &text) {
    // A long run of one character reads better as "a"*300.
    if (text.size() >= 16 && text.find_first_not_of(text[0]) == std::string::npos)
        return quoteName(text.substr(0, 1)) + "*" + std::to_string(text.size());
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out + "\"";
}

std::string formatItem(const Item &item) {
    switch (item.kind) {
        case ItemKind::number:
            if (item.width != 0) return hexNumber(item.value, 2 * item.width) + ":" + std::to_string(item.width);
            if (item.value < 0x80) return std::to_string(item.value);
            return hexNumber(item.value, 2 * bytesNeeded(item.value));
        case ItemKind::name:
            return quoteName(item.text);
        case ItemKind::letters:
            return std::string(1, '@').append(item.text);
        case ItemKind::omitted:
            return "-";
        case ItemKind::comma:
            return ",";
        case ItemKind::verbatim:
            return std::string(1, '<').append(hexBytes(item.bytes)).append(1, '>');
        case ItemKind::loadData:
            return hexBytes(item.bytes);
    }
    return "";
}

const char *partName(std::uint64_t index) {
    switch (index) {
        case 1: return "environment part";
        case 2: return "section part";
        case 5: return "data part";
        case 6: return "trailer part";
        default: return "part";
    }
}

// The index and offset of an ASW record whose two fields are plain numbers.
bool aswFields(const Record &r, std::uint64_t &index, std::uint64_t &offset) {
    if (r.type != typeASW || r.items.size() < 2) return false;
    if (r.items[0].kind != ItemKind::number || r.items[1].kind != ItemKind::number) return false;
    index = r.items[0].value;
    offset = r.items[1].value;
    return true;
}

void printText(const std::vector<Record> &records) {
    // Part offsets become comments before the record they point at.
    std::multimap<std::uint64_t, std::uint64_t> parts;  // offset -> ASW index
    for (const Record &r : records) {
        std::uint64_t index, offset;
        if (aswFields(r, index, offset)) parts.emplace(offset, index);
    }
    auto partComments = [&](std::size_t from, std::size_t to) {
        for (auto it = parts.lower_bound(from); it != parts.end() && it->first < to; ++it) {
            std::printf("# %s (ASW %llu) at 0x%llX%s\n", partName(it->second),
                        static_cast<unsigned long long>(it->second),
                        static_cast<unsigned long long>(it->first),
                        it->first == from ? "" : ", inside the next record");
        }
    };
    for (std::size_t k = 0; k < records.size(); ++k) {
        const Record &r = records[k];
        partComments(r.offset, k + 1 < records.size() ? records[k + 1].offset : r.offset + 1);
        std::string line = r.mnemonic;
        for (const Item &item : r.items) {
            const std::string field = formatItem(item);
            if (!field.empty()) line += " " + field;
        }
        std::printf("%s\n", line.c_str());
    }
}

// ---- What a conversion makes of the module ---------------------------------

bool numberAt(const Record &r, std::size_t k, std::uint64_t &value) {
    if (k >= r.items.size() || r.items[k].kind != ItemKind::number) return false;
    value = r.items[k].value;
    return true;
}

// The record that begins exactly at `offset`, or -1.
long recordAt(const std::vector<Record> &records, std::uint64_t offset) {
    for (std::size_t k = 0; k < records.size(); ++k)
        if (records[k].offset == offset) return static_cast<long>(k);
    return -1;
}

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

bool startsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The protect byte of a ".PROTECT " text, or -1 when two hexadecimal digits do not follow.
int protectValue(const std::string &text) {
    if (text.size() < 11 || hexValue(text[9]) < 0 || hexValue(text[10]) < 0) return -1;
    return hexValue(text[9]) * 16 + hexValue(text[10]);
}

// The seven ID bytes of an ".ID " text: "#" and hexadecimal digits, or characters.
std::string idBytesOf(const std::string &text) {
    const std::string value = text.substr(4);
    int bytes[7] = {};
    if (startsWith(value, "#")) {
        for (std::size_t k = 0; k < 14 && k + 1 < value.size(); ++k) {
            const int digit = hexValue(value[k + 1]);
            if (digit < 0) return "not hexadecimal digits after \"#\"";
            bytes[k / 2] += k % 2 == 0 ? digit * 16 : digit;
        }
    } else {
        for (std::size_t k = 0; k < 7 && k < value.size(); ++k) bytes[k] = static_cast<unsigned char>(value[k]);
    }
    std::string out;
    for (int b : bytes) {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%s%02X", out.empty() ? "" : " ", b);
        out += buffer;
    }
    return out;
}

AttributeText attributeText(const Record &r) {
    AttributeText t;
    t.offset = r.offset;
    t.hasText = r.items.size() > 3 && r.items[3].kind == ItemKind::name;
    if (t.hasText) t.text = r.items[3].text;
    return t;
}

bool isAttributeText(const Record &r) {
    std::uint64_t attribute;
    return r.type == typeATN && numberAt(r, 2, attribute) && attribute == idTextAttribute;
}

void readIdSettings(const std::vector<Record> &records, ModuleView &view) {
    // Without an environment part the scan starts at the file's first record.
    auto found = view.parts.find(1);
    long k = recordAt(records, found == view.parts.end() ? 0 : found->second);
    if (k < 0 || records[k].type != typeNN) return;
    ModuleIdSettings &id = view.id;
    id.scanned = true;
    for (++k; static_cast<std::size_t>(k) < records.size() && records[k].type == typeATN; ++k) {
        if (!isAttributeText(records[k])) continue;
        const AttributeText t = attributeText(records[k]);
        if (id.texts.size() == 3) {
            if (startsWith(t.text, ".ID ") || startsWith(t.text, ".PROTECT ")) id.unread.push_back(t);
            continue;
        }
        id.texts.push_back(t);
        const int at = static_cast<int>(id.texts.size()) - 1;
        if (startsWith(t.text, "REV.F")) {
        } else if (startsWith(t.text, ".ID ")) {
            id.idText = at;
        } else if (startsWith(t.text, ".PROTECT ")) {
            id.protectText = at;
        }
    }
}

void readSections(const std::vector<Record> &records, ModuleView &view) {
    auto found = view.parts.find(2);
    long k = found == view.parts.end() || found->second == 0 ? -1 : recordAt(records, found->second);
    while (k >= 0 && static_cast<std::size_t>(k) < records.size() && records[k].type == typeST) {
        const Record &st = records[k];
        Section s;
        s.offset = st.offset;
        numberAt(st, 0, s.index);
        for (const Item &item : st.items) {
            if (item.kind == ItemKind::letters && s.letters.empty()) s.letters = item.text;
            if (item.kind == ItemKind::name && s.name.empty()) s.name = item.text;
        }
        // ST, one record (SA in a linker's output), then ASS and ASL.
        const std::size_t ass = static_cast<std::size_t>(k) + 2, asl = ass + 1;
        if (asl >= records.size() || records[ass].type != typeASS || records[asl].type != typeASL ||
            !numberAt(records[ass], 1, s.size) || !numberAt(records[asl], 1, s.base)) {
            char text[128];
            std::snprintf(text, sizeof text, "section %llu at 0x%zX: not followed by a record and ASS, ASL"
                          " with plain numbers", static_cast<unsigned long long>(s.index), st.offset);
            view.problems.push_back(text);
            break;
        }
        const char last = s.letters.empty() ? '\0' : s.letters.back();
        s.inExtent = s.size != 0 && last != 'D';
        if (s.size == 0) {
            s.fate = "dropped: size 0";
        } else if (last == 'D') {
            s.fate = "dropped: 'D' section";
        } else if (!view.dualArea) {
            s.fate = "kept";
            s.image = Image::normal;
        } else if (last == 'P') {
            s.fate = "kept: CODE";
            s.image = Image::code;
        } else if (last == 'R') {
            s.fate = "kept: ROMDATA";
            s.image = Image::romdata;
        } else {
            s.fate = "dropped: neither P nor R in dual-area mode";
        }
        view.sections.push_back(s);
        k = static_cast<long>(asl) + 1;
    }
}

// The section a unit goes into: the first kept one of its index, code sections first.
long homeOf(const ModuleView &view, std::uint64_t index) {
    for (Image image : {Image::normal, Image::code, Image::romdata})
        for (std::size_t s = 0; s < view.sections.size(); ++s)
            if (view.sections[s].index == index && view.sections[s].image == image) return static_cast<long>(s);
    return -1;
}

// Each ASP record begins a unit; its LD records (times a preceding RE count)
// give its bytes.
void readUnits(const std::vector<Record> &records, ModuleView &view) {
    auto found = view.parts.find(5);
    long k = found == view.parts.end() || found->second == 0 ? -1 : recordAt(records, found->second);
    Unit *current = nullptr;
    std::uint64_t repeat = 0;
    for (; k >= 0 && static_cast<std::size_t>(k) < records.size(); ++k) {
        const Record &r = records[k];
        if (r.type == typeASG || r.type == typeME) break;
        if (r.type == typeASP) {
            Unit unit;
            unit.offset = r.offset;
            numberAt(r, 0, unit.section);
            numberAt(r, 1, unit.address);
            unit.home = homeOf(view, unit.section);
            view.units.push_back(unit);
            current = &view.units.back();
            repeat = 0;
        } else if (r.type == typeLD && current != nullptr && !r.items.empty() &&
                   r.items[0].kind == ItemKind::loadData) {
            current->bytes += r.items[0].bytes.size() * (repeat > 0 ? repeat : 1);
            repeat = 0;
        } else if (r.type == typeRE) {
            numberAt(r, 0, repeat);
        } else if (r.type != typeSB && r.type != typeLD) {
            char text[128];
            std::snprintf(text, sizeof text, "data part: a %s record at 0x%zX ends the data part early",
                          r.mnemonic, r.offset);
            view.problems.push_back(text);
            break;
        }
    }
}

ModuleView viewModule(const std::vector<Record> &records, std::size_t fileSize) {
    ModuleView view;
    view.fileSize = fileSize;
    view.recordCount = records.size();
    view.hasMB = !records.empty() && records[0].type == typeMB;
    std::vector<std::string> names;  // of the MB record: processor, module
    if (view.hasMB)
        for (const Item &item : records[0].items)
            if (item.kind == ItemKind::name) names.push_back(item.text);
    names.resize(2);
    view.processor = names[0];
    view.name = names[1];
    view.dualArea = view.processor == "TQ40/51X";
    if (!view.hasMB) {
        view.problems.push_back("the module does not begin with an MB record");
    } else if (view.processor != "TQ40" && !view.dualArea) {
        view.problems.push_back("processor " + quoteName(view.processor) + " is neither \"TQ40\" nor \"TQ40/51X\"");
    }
    for (const Record &r : records) {
        ++view.recordCounts[r.mnemonic];
        std::uint64_t index, offset;
        if (aswFields(r, index, offset)) view.parts[index] = offset;
        if (isAttributeText(r)) view.attributeTexts.push_back(attributeText(r));
    }
    for (std::uint64_t index : {2, 5, 6}) {
        auto found = view.parts.find(index);
        if (found == view.parts.end() || found->second == 0)
            view.problems.push_back(std::string("no ") + partName(index) + " (ASW " + std::to_string(index) + ")");
    }
    readIdSettings(records, view);
    if (view.hasMB && !view.id.scanned) view.problems.push_back("the environment part does not begin with an NN record");
    readSections(records, view);
    readUnits(records, view);
    return view;
}

// ---- The summary ------------------------------------------------------------

std::string hexAddress(std::uint64_t address) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%06llX", static_cast<unsigned long long>(address));
    return buffer;
}

// "3 units, 0x0F0000..0x0F0023, 36 bytes" for the units of one section index.
std::string describeUnits(const ModuleView &view, std::uint64_t index) {
    std::size_t count = 0;
    std::uint64_t low = UINT64_MAX, high = 0, bytes = 0;
    for (const Unit &u : view.units) {
        if (u.section != index) continue;
        ++count;
        bytes += u.bytes;
        if (u.address < low) low = u.address;
        if (u.end() > high) high = u.end();
    }
    if (count == 0) return "no units";
    std::string out = std::to_string(count) + (count == 1 ? " unit, " : " units, ");
    if (bytes == 0) return out + "at " + hexAddress(low) + ", no bytes";
    return out + hexAddress(low) + ".." + hexAddress(high - 1) + ", " + std::to_string(bytes) + " bytes";
}

void printIdSettings(const ModuleView &view) {
    const ModuleIdSettings &id = view.id;
    if (!id.scanned) {
        std::printf("ID settings: not read (the environment part does not begin with NN)\n");
        return;
    }
    if (id.idText < 0 && id.protectText < 0) {
        std::printf("ID settings in the module: none (-ID and the protect and OFS options apply)\n");
    } else {
        std::printf("ID settings in the module (they win over -ID and the protect and OFS options):\n");
    }
    if (id.idText >= 0) {
        const AttributeText &t = id.texts[id.idText];
        std::printf("  %s at 0x%zX: ID code %s; protect byte FF unless \".PROTECT \" says otherwise\n",
                    quoteName(t.text).c_str(), t.offset, idBytesOf(t.text).c_str());
    }
    if (id.protectText >= 0) {
        const AttributeText &t = id.texts[id.protectText];
        const int value = protectValue(t.text);
        std::printf("  %s at 0x%zX: ", quoteName(t.text).c_str(), t.offset);
        if (value < 0) {
            std::printf("protect byte unreadable (not two hexadecimal digits)");
        } else {
            std::printf("protect byte %02X", value);
        }
        std::printf("%s\n", id.idText < 0 ? "; no ID code is placed, even with -ID" : "");
    }
    const std::size_t unread = view.attributeTexts.size() - id.texts.size();
    if (unread > 0)
        std::printf("  %zu later attribute text%s not read for ID settings\n", unread, unread == 1 ? " is" : "s are");
}

void printSummary(const ModuleView &view, bool verbose) {
    if (!view.hasMB) {
        std::printf("module: none (the file does not begin with MB)");
    } else {
        const char *mode = view.dualArea ? "dual-area mode"
                           : view.processor == "TQ40" ? "normal mode; dual-area with +d51x"
                                                      : "not a processor romcast accepts";
        std::printf("module %s for %s (%s)", quoteName(view.name).c_str(), quoteName(view.processor).c_str(), mode);
    }
    std::printf(": %zu bytes, %zu records\n", view.fileSize, view.recordCount);

    std::printf("parts:");
    for (std::uint64_t index : {1, 2, 5, 6}) {
        auto found = view.parts.find(index);
        char where[32] = "missing";
        if (found != view.parts.end() && found->second != 0)
            std::snprintf(where, sizeof where, "at 0x%llX", static_cast<unsigned long long>(found->second));
        std::printf("%s %s %s", index == 1 ? "" : ",", partName(index), where);
    }
    std::printf("\n");
    for (const std::string &problem : view.problems) std::printf("  refused by romcast: %s\n", problem.c_str());

    std::size_t kept = 0;
    for (const Section &s : view.sections) kept += s.image != Image::none;
    std::printf("sections: %zu, %zu kept\n", view.sections.size(), kept);
    for (const Section &s : view.sections) {
        std::printf("  %llu @%-4s %-14s base 0x%06llX size 0x%llX: %s\n", static_cast<unsigned long long>(s.index),
                    s.letters.c_str(), quoteName(s.name).c_str(), static_cast<unsigned long long>(s.base),
                    static_cast<unsigned long long>(s.size), s.fate);
        std::printf("      %s\n", describeUnits(view, s.index).c_str());
    }
    std::map<std::uint64_t, bool> orphans;  // section indexes of units without a section
    for (const Unit &u : view.units) {
        bool known = false;
        for (const Section &s : view.sections) known = known || s.index == u.section;
        if (!known) orphans[u.section] = true;
    }
    for (const auto &[index, unused] : orphans)
        std::printf("  no section %llu: %s, not output\n", static_cast<unsigned long long>(index),
                    describeUnits(view, index).c_str());

    printIdSettings(view);

    std::string counts;
    for (const auto &[mnemonic, count] : view.recordCounts)
        counts += (counts.empty() ? "" : ", ") + mnemonic + " " + std::to_string(count);
    std::printf("records: %s\n", counts.c_str());
    std::printf("attribute texts (attribute 55): %zu%s\n", view.attributeTexts.size(),
                view.attributeTexts.empty() || verbose ? "" : " (-v lists them)");
    if (!verbose) return;
    for (const AttributeText &t : view.attributeTexts)
        std::printf("  at 0x%zX: %s\n", t.offset, t.hasText ? quoteName(t.text).c_str() : "(no text)");
}

// ---- The pre-flight check ---------------------------------------------------

// Where a conversion puts the security bytes, and how far the family's address
// space reaches, by the target option.
struct Family {
    const char *option;       // the command-line option, "" for the TQ40 family
    std::uint64_t last;       // the last address of the space; the protect byte goes there
    std::uint64_t idPage;     // the page of the ID code bytes
    bool warnsAbove;          // romcast itself warns "Address exceed" above `last`
};

const Family families[] = {
    {"", 0xFFFFF, 0xFFF00, true},
    {"-TQ8", 0xFFFF, 0xFF00, true},
    {"-TQ8E", 0xFFFF, 0xFF00, false},
    {"-TQ8N", 0xFFFF, 0xFF00, false},
};

constexpr std::uint64_t firstIdLow = 0xDF, lastIdLow = 0xFB;

std::string range(std::uint64_t first, std::uint64_t end) {
    return hexAddress(first) + ".." + hexAddress(end == first ? first : end - 1);
}

std::string sectionName(const Section &s) {
    return "section " + std::to_string(s.index) + " " + quoteName(s.name);
}

// One line a finding, the address first; returns how many.
class Findings {
public:
    void add(std::uint64_t address, const std::string &text) {
        std::printf("%s: %s\n", hexAddress(address).c_str(), text.c_str());
        ++count_;
    }
    int count() const { return count_; }

private:
    int count_ = 0;
};

void checkIdSettings(const ModuleView &view, const Family &family, Findings &findings) {
    const ModuleIdSettings &id = view.id;
    const std::uint64_t firstId = family.idPage + firstIdLow, lastId = family.idPage + lastIdLow;
    if (id.idText >= 0) {
        const std::string &text = id.texts[id.idText].text;
        findings.add(firstId, "the module's " + quoteName(text) + " places the ID code " + idBytesOf(text) + " at " +
                                  range(firstId, lastId + 1) + ", replacing any -ID option");
        if (id.protectText < 0)
            findings.add(family.last, "the module's " + quoteName(text) +
                                          " sets the protect byte FF, replacing any -protect or -ofsreg option");
    }
    if (id.protectText >= 0) {
        const std::string &text = id.texts[id.protectText].text;
        const int value = protectValue(text);
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02X", value);
        findings.add(family.last, "the module's " + quoteName(text) + " sets the protect byte " +
                                      (value < 0 ? std::string("(unreadable)") : byte) +
                                      ", replacing any -protect or -ofsreg option" +
                                      (id.idText < 0 ? "; -ID is dropped and no ID code is placed" : ""));
    }
    for (const AttributeText &t : id.unread)
        findings.add(startsWith(t.text, ".ID ") ? firstId : family.last,
                     "the module's " + quoteName(t.text) + " is not read: only its first three attribute texts are");
}

void checkAddressSpace(const ModuleView &view, const Family &family, Findings &findings) {
    const std::string space = std::string("the ") + (family.option[0] ? "TQ8" : "TQ40") +
                              " family's address space (to " + hexAddress(family.last) + ")" +
                              (family.warnsAbove ? "; romcast warns \"Address exceed\" for each unit there"
                                                 : "; romcast says nothing");
    std::vector<bool> flagged(view.sections.size(), false);
    for (std::size_t k = 0; k < view.sections.size(); ++k) {
        const Section &s = view.sections[k];
        if (s.image == Image::none || s.end() - 1 <= family.last) continue;
        flagged[k] = true;
        findings.add(s.base, sectionName(s) + " " + range(s.base, s.end()) + " lies outside " + space);
    }
    for (const Unit &u : view.units) {
        if (u.home < 0 || u.bytes == 0 || flagged[u.home] || u.end() - 1 <= family.last) continue;
        findings.add(u.address, "a unit of " + sectionName(view.sections[u.home]) + " " + range(u.address, u.end()) +
                                    " lies outside " + space);
    }
}

void checkSecurityPlaces(const ModuleView &view, const Family &family, Findings &findings) {
    std::uint64_t low = UINT64_MAX, high = 0;
    for (const Section &s : view.sections) {
        if (!s.inExtent) continue;
        low = std::min(low, s.base);
        high = std::max(high, s.end() - 1);
    }
    if (low > high) return;
    const bool carries = view.id.idText >= 0 || view.id.protectText >= 0;
    // A module that loads nothing above 0xFFFF, converted for the TQ40 family.
    const bool smallModule = family.option[0] == '\0' && high <= 0xFFFF;
    if (!carries && !smallModule) return;
    const std::string image = "outside the image " + range(low, high + 1);
    const std::string hint = smallModule ? ": the module loads nothing above 0x00FFFF; a TQ8 module needs -TQ8, -TQ8E or -TQ8N"
                                         : ": S-records and Intel HEX get it as a record of its own, a binary image leaves it out";
    const std::string when = carries ? "" : "with -ID or a protect option, ";
    const std::uint64_t firstId = family.idPage + firstIdLow, lastId = family.idPage + lastIdLow;
    if ((view.id.idText >= 0 || !carries) && (firstId < low || lastId > high))
        findings.add(firstId, when + "the ID code at " + range(firstId, lastId + 1) + " lies " + image + hint);
    if (family.last < low || family.last > high)
        findings.add(family.last, when + "the protect byte at " + hexAddress(family.last) + " lies " + image + hint);
}

void checkUnits(const ModuleView &view, Findings &findings) {
    // Units outside their own section.
    for (const Unit &u : view.units) {
        if (u.home < 0 || u.bytes == 0) continue;
        const Section &s = view.sections[u.home];
        if (u.address < s.base || u.end() > s.end())
            findings.add(u.address, "a unit " + range(u.address, u.end()) + " lies outside its " + sectionName(s) + " " +
                                        range(s.base, s.end()));
    }
    // Units that no kept section takes, one line a section index.
    std::map<std::uint64_t, bool> reported;
    for (const Unit &u : view.units) {
        if (u.home >= 0 || u.bytes == 0 || reported[u.section]) continue;
        reported[u.section] = true;
        std::string why = "there is no section " + std::to_string(u.section);
        for (const Section &s : view.sections)
            if (s.index == u.section) why = sectionName(s) + " is " + s.fate;
        findings.add(u.address, describeUnits(view, u.section) + " not output: " + why);
    }
    // Overlaps, in the order the image is written: by address within each image.
    for (Image image : {Image::normal, Image::code, Image::romdata}) {
        std::vector<const Unit *> placed;
        for (const Unit &u : view.units)
            if (u.home >= 0 && u.bytes > 0 && view.sections[u.home].image == image) placed.push_back(&u);
        std::stable_sort(placed.begin(), placed.end(),
                         [](const Unit *a, const Unit *b) { return a->address < b->address; });
        const Unit *reach = nullptr;  // the unit that ends highest so far
        for (const Unit *u : placed) {
            if (reach != nullptr && u->address < reach->end()) {
                findings.add(u->address, "a unit of section " + std::to_string(u->section) + " " +
                                             range(u->address, u->end()) + " overlaps one of section " +
                                             std::to_string(reach->section) + " " + range(reach->address, reach->end()) +
                                             (image == Image::normal ? ": a binary image (-B) refuses the module" : ""));
            }
            if (reach == nullptr || u->end() > reach->end()) reach = u;
        }
    }
}

void checkLoadsSomething(const ModuleView &view, Findings &findings) {
    bool extent = false, data = false;
    for (const Section &s : view.sections) extent = extent || s.inExtent;
    for (const Unit &u : view.units) data = data || (u.home >= 0 && u.bytes > 0);
    if (!extent) {
        findings.add(0, "no section of nonzero size that is not a 'D' section: romcast stops, the module loads nothing");
    } else if (!data) {
        findings.add(0, "no unit loads bytes into a kept section: the image holds no data of the module");
    }
}

int checkModule(const ModuleView &view, const Family &family) {
    if (!view.problems.empty()) {
        for (const std::string &problem : view.problems) std::printf("refused by romcast: %s\n", problem.c_str());
        return 1;
    }
    Findings findings;
    checkIdSettings(view, family, findings);
    checkAddressSpace(view, family, findings);
    checkSecurityPlaces(view, family, findings);
    checkUnits(view, findings);
    checkLoadsSomething(view, findings);
    return findings.count() == 0 ? 0 : 1;
}

bool readFile(const char *name, Bytes &bytes) {
    std::FILE *in = std::fopen(name, "rb");
    if (in == nullptr) return false;
    std::uint8_t buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = std::ferror(in) == 0;
    std::fclose(in);
    return ok;
}

const char usage[] =
    "usage: modinspect module                     the module as module text\n"
    "       modinspect -s [-v] module             a summary; -v lists every attribute text\n"
    "       modinspect --check [-TQ8|-TQ8E|-TQ8N] module\n"
    "                                             what a conversion would do silently\n";

}  // namespace

int main(int argc, char **argv) {
    enum class Mode { text, summary, check } mode = Mode::text;
    bool verbose = false;
    const Family *family = &families[0];
    int k = 1;
    for (; k < argc - 1; ++k) {
        const std::string option = argv[k];
        const Family *chosen = nullptr;
        for (const Family &f : families)
            if (f.option[0] != '\0' && option == f.option) chosen = &f;
        if (option == "-s" && mode != Mode::check) {
            mode = Mode::summary;
        } else if (option == "-v" && mode != Mode::check) {
            mode = Mode::summary;
            verbose = true;
        } else if (option == "--check" && mode == Mode::text && !verbose) {
            mode = Mode::check;
        } else if (chosen != nullptr && mode == Mode::check) {
            family = chosen;
        } else {
            break;
        }
    }
    if (k != argc - 1) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    const char *name = argv[k];
    Bytes bytes;
    if (!readFile(name, bytes)) {
        std::fprintf(stderr, "modinspect: can't read '%s'\n", name);
        return 2;
    }
    const std::vector<Record> records = parseModule(bytes);
    int status = 0;
    if (mode == Mode::text) {
        printText(records);
    } else if (mode == Mode::summary) {
        printSummary(viewModule(records, bytes.size()), verbose);
    } else {
        status = checkModule(viewModule(records, bytes.size()), *family);
    }
    return std::fflush(stdout) == 0 ? status : 2;
}
