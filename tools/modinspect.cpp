// modinspect: prints an IEEE 695 load module as readable text.
//
//   modinspect module        the module text of tests/README.md, one record a
//                            line, so that `modinspect m | modasm - copy` gives
//                            back the same bytes, also for a truncated or
//                            malformed file
//   modinspect -s module     a summary: processor, parts, sections, units, ID texts
//
// A test and diagnosis tool: it shares no code with the converter, so that a
// misreading of the format in one does not hide in the other. Every byte is
// printed either as a field that modasm writes back identically (numbers in the
// long form they were written with, names only in their shortest form) or as
// verbatim bytes `<..>`.
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

// ---- The summary ------------------------------------------------------------

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

struct Section {
    std::uint64_t index = 0, base = 0, size = 0;
    std::string letters, name;
};

struct UnitSpan {
    std::size_t count = 0;
    std::uint64_t low = UINT64_MAX, high = 0;  // high: one past the last byte
    std::uint64_t bytes = 0;
};

std::vector<Section> readSections(const std::vector<Record> &records, long k) {
    std::vector<Section> sections;
    while (k >= 0 && static_cast<std::size_t>(k) < records.size() && records[k].type == typeST) {
        const Record &st = records[k];
        Section s;
        numberAt(st, 0, s.index);
        for (const Item &item : st.items) {
            if (item.kind == ItemKind::letters && s.letters.empty()) s.letters = item.text;
            if (item.kind == ItemKind::name && s.name.empty()) s.name = item.text;
        }
        // ST, one record (SA in a linker's output), then ASS and ASL.
        const std::size_t ass = static_cast<std::size_t>(k) + 2, asl = ass + 1;
        if (asl >= records.size() || records[ass].type != typeASS || records[asl].type != typeASL ||
            !numberAt(records[ass], 1, s.size) || !numberAt(records[asl], 1, s.base)) {
            std::printf("  section %llu at 0x%zX: not followed by a record and ASS, ASL with plain numbers\n",
                        static_cast<unsigned long long>(s.index), st.offset);
            break;
        }
        sections.push_back(s);
        k = static_cast<long>(asl) + 1;
    }
    return sections;
}

const char *sectionFate(const Section &s, bool dualArea) {
    const char last = s.letters.empty() ? '\0' : s.letters.back();
    if (s.size == 0) return "dropped: size 0";
    if (!dualArea) return last == 'D' ? "dropped: 'D' section" : "kept";
    if (last == 'P') return "kept: CODE";
    if (last == 'R') return "kept: ROMDATA";
    return "dropped: not P or R in dual-area mode";
}

std::map<std::uint64_t, UnitSpan> readUnits(const std::vector<Record> &records, long k) {
    std::map<std::uint64_t, UnitSpan> units;  // by section index
    UnitSpan *current = nullptr;
    std::uint64_t address = 0, repeat = 0;
    for (; k >= 0 && static_cast<std::size_t>(k) < records.size(); ++k) {
        const Record &r = records[k];
        if (r.type == typeASG || r.type == typeME) break;
        if (r.type == typeASP) {
            std::uint64_t section = 0;
            numberAt(r, 0, section);
            current = &units[section];
            ++current->count;
            if (!numberAt(r, 1, address)) address = 0;
            if (address < current->low) current->low = address;
            if (address > current->high) current->high = address;
            repeat = 0;
        } else if (r.type == typeLD && current != nullptr && !r.items.empty() &&
                   r.items[0].kind == ItemKind::loadData) {
            const std::uint64_t n = r.items[0].bytes.size() * (repeat > 0 ? repeat : 1);
            address += n;
            current->bytes += n;
            if (address > current->high) current->high = address;
            repeat = 0;
        } else if (r.type == typeRE) {
            numberAt(r, 0, repeat);
        } else if (r.type != typeSB && r.type != typeLD) {
            std::printf("  data part: a %s record at 0x%zX ends the data part early\n", r.mnemonic, r.offset);
            break;
        }
    }
    return units;
}

void printSummary(const std::vector<Record> &records, std::size_t fileSize) {
    std::printf("size: %zu bytes, %zu records\n", fileSize, records.size());
    std::vector<std::string> names;  // of the MB record: processor, module
    const bool hasMB = !records.empty() && records[0].type == typeMB;
    if (hasMB)
        for (const Item &item : records[0].items)
            if (item.kind == ItemKind::name) names.push_back(item.text);
    names.resize(2);
    const std::string &processor = names[0], &moduleName = names[1];
    const bool dualArea = processor == "TQ40/51X";
    if (!hasMB) {
        std::printf("processor: none (the module does not begin with MB)\n");
    } else {
        const char *mode = dualArea ? "dual-area mode"
                           : processor == "TQ40" ? "normal mode; dual-area with +d51x"
                                                 : "not a processor romcast accepts";
        std::printf("processor: %s (%s)\nmodule: %s\n", quoteName(processor).c_str(), mode,
                    quoteName(moduleName).c_str());
    }

    std::map<std::uint64_t, std::uint64_t> parts;  // ASW index -> offset, the last one wins
    for (const Record &r : records) {
        std::uint64_t index, offset;
        if (aswFields(r, index, offset)) parts[index] = offset;
    }
    std::printf("parts:\n");
    for (std::uint64_t index : {1, 2, 5, 6}) {
        auto found = parts.find(index);
        if (found == parts.end() || found->second == 0) {
            std::printf("  %-16s (ASW %llu) missing\n", partName(index), static_cast<unsigned long long>(index));
        } else {
            std::printf("  %-16s (ASW %llu) at 0x%llX%s\n", partName(index), static_cast<unsigned long long>(index),
                        static_cast<unsigned long long>(found->second),
                        recordAt(records, found->second) < 0 ? ", where no record begins" : "");
        }
    }
    for (const auto &[index, offset] : parts)
        if (index != 1 && index != 2 && index != 5 && index != 6)
            std::printf("  %-16s (ASW %llu) at 0x%llX, not read by romcast\n", partName(index),
                        static_cast<unsigned long long>(index), static_cast<unsigned long long>(offset));

    std::printf("sections:\n");
    std::vector<Section> sections;
    if (parts.count(2) != 0) sections = readSections(records, recordAt(records, parts[2]));
    if (sections.empty()) std::printf("  none\n");
    for (const Section &s : sections)
        std::printf("  %llu @%-4s %-14s base 0x%06llX size 0x%llX: %s\n", static_cast<unsigned long long>(s.index),
                    s.letters.c_str(), quoteName(s.name).c_str(), static_cast<unsigned long long>(s.base),
                    static_cast<unsigned long long>(s.size), sectionFate(s, dualArea));

    std::printf("units:\n");
    std::map<std::uint64_t, UnitSpan> units;
    if (parts.count(5) != 0) units = readUnits(records, recordAt(records, parts[5]));
    if (units.empty()) std::printf("  none\n");
    for (const auto &[index, span] : units) {
        bool known = false;
        for (const Section &s : sections) known = known || s.index == index;
        std::printf("  section %llu: %zu unit%s, ", static_cast<unsigned long long>(index), span.count,
                    span.count == 1 ? "" : "s");
        if (span.bytes == 0) {
            std::printf("at 0x%06llX, no bytes", static_cast<unsigned long long>(span.low));
        } else {
            std::printf("0x%06llX..0x%06llX, %llu bytes", static_cast<unsigned long long>(span.low),
                        static_cast<unsigned long long>(span.high - 1), static_cast<unsigned long long>(span.bytes));
        }
        std::printf("%s\n", known ? "" : " (no such section: not output)");
    }

    std::printf("ID texts (attribute 55):\n");
    bool anyText = false;
    for (const Record &r : records) {
        std::uint64_t attribute;
        if (r.type != typeATN || !numberAt(r, 2, attribute) || attribute != idTextAttribute) continue;
        anyText = true;
        const bool named = r.items.size() > 3 && r.items[3].kind == ItemKind::name;
        std::printf("  at 0x%zX: %s\n", r.offset, named ? quoteName(r.items[3].text).c_str() : "(no text)");
    }
    if (!anyText) std::printf("  none\n");
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

}  // namespace

int main(int argc, char **argv) {
    const bool summary = argc == 3 && std::strcmp(argv[1], "-s") == 0;
    if (argc != 2 && !summary) {
        std::fprintf(stderr, "usage: modinspect [-s] module\n");
        return 2;
    }
    const char *name = argv[argc - 1];
    Bytes bytes;
    if (!readFile(name, bytes)) {
        std::fprintf(stderr, "modinspect: can't read '%s'\n", name);
        return 1;
    }
    const std::vector<Record> records = parseModule(bytes);
    if (summary) {
        printSummary(records, bytes.size());
    } else {
        printText(records);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
