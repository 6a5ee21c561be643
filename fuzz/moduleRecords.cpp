#include "moduleRecords.h"

#include <algorithm>

namespace moduleRecords {

namespace {

using moduleFormat::isRecordType;
using moduleFormat::isTypePrefix;

// Walks a record body the way the converter's reader takes it; every step
// stops at the end of the module.
struct Cursor {
    std::string_view m;
    std::size_t p;

    bool atEnd() const { return p >= m.size(); }
    unsigned peek(std::size_t ahead = 0) const { return p + ahead < m.size() ? static_cast<unsigned char>(m[p + ahead]) : 0x100; }
    void skip(std::size_t count) { p = std::min(m.size(), p + count); }

    void number() {
        const unsigned b = peek();
        if (atEnd() || isRecordType(b)) return;
        skip(b >= 0x81 && b <= 0x88 ? 1 + (b - 0x80) : 1);
    }
    void name() {
        const unsigned b = peek();
        if (atEnd()) return;
        if (b < 0x80) skip(1 + b);
        else if (b == 0xDE) skip(2 + (peek(1) & 0xFF));
        else if (b == 0xDF) skip(3 + ((peek(1) & 0xFF) << 8 | (peek(2) & 0xFF)));
        else skip(1);
    }
    void letters() {
        while (!atEnd() && peek() >= 0xC0 && peek() <= 0xD8) skip(1);
    }
    void loadBytes() {
        if (!atEnd()) skip(1 + peek());
    }
    // A value run; `toRecordEnd` false stops after a comma or an omitted field.
    void value(bool toRecordEnd) {
        while (!atEnd() && !isRecordType(peek())) {
            const unsigned c = peek();
            if (c < 0x80 || (c >= 0xA0 && c <= 0xD8)) {
                skip(1);
            } else if (c == 0x80 || c == 0x90) {
                skip(1);
                if (!toRecordEnd) return;
            } else if (c <= 0x88) {
                number();
            } else if (c == 0xDE || c == 0xDF) {
                name();
            } else {
                skip(1);  // the reader gives up here, the byte taken
                return;
            }
        }
    }
    void loadItems() {
        while (!atEnd() && !isRecordType(peek())) {
            const unsigned c = peek();
            if (c < 0x80) {
                loadBytes();
            } else if (c >= 0xC1 && c <= 0xD8) {
                skip(1);
                number();
            } else if (c == 0xBA || c == 0xBC || c == 0xBE) {
                skip(1);
                while (!atEnd() && peek() != c + 1) {
                    if (peek() >= 0x81 && peek() <= 0x88) number();
                    else skip(1);
                }
                skip(1);
            } else {
                skip(1);
            }
        }
    }

    void body(std::uint32_t type) {
        switch (type) {
        case MB: name(); name(); break;
        case 0xE3: skip(1); value(false); break;
        case 0xE4: case 0xFA: loadItems(); break;
        case SB: case 0xEE: case RE: case 0xF9: case ASG: value(false); break;
        case ST: number(); letters(); name(); value(true); break;
        case SA: case AD: case 0xF4: case 0xF1C9: case ATN: case 0xF1D8: value(true); break;
        case 0xE8: case 0xE9: case NN: number(); name(); break;
        case LD: loadBytes(); break;
        case 0xF2: number(); skip(1); number(); value(true); break;
        case 0xE2C9: case ASL: case 0xE2CE: case ASP: case 0xE2D2: case ASS: number(); value(false); break;
        case ASW: number(); number(); break;
        case 0xF801: case 0xF802: case 0xF803: number(); name(); break;
        case 0xF804: case 0xF805: case 0xF806: case 0xF80B: number(); name(); value(true); break;
        case 0xF80A: number(); name(); name(); number(); name(); value(true); break;
        case 0xF814: value(true); break;
        default: break;  // ME and every type the reader knows no body of
        }
    }
};

}  // namespace

std::size_t typeLength(std::uint32_t type) { return type > 0xFF ? 2 : 1; }

void cut(std::string_view module, std::vector<RecordView> &records) {
    records.clear();
    Cursor cursor{module, 0};
    while (!cursor.atEnd()) {
        const std::size_t start = cursor.p;
        const unsigned first = cursor.peek();
        std::uint32_t type = noType;
        if (isTypePrefix(first) && cursor.p + 1 < module.size()) {
            type = first << 8 | cursor.peek(1);
            cursor.skip(2);
            cursor.body(type);
        } else if (isRecordType(first)) {
            type = first;
            cursor.skip(1);
            cursor.body(type);
        } else {
            cursor.skip(1);
            while (!cursor.atEnd() && !isRecordType(cursor.peek())) cursor.skip(1);
        }
        records.push_back({type, module.substr(start, cursor.p - start)});
    }
}

NumberItems leadingNumbers(RecordView record, std::size_t most) {
    NumberItems numbers;
    if (record.type == noType) return numbers;
    most = std::min(most, NumberItems::capacity);
    std::size_t p = typeLength(record.type);
    const std::string_view b = record.bytes;
    while (numbers.size() < most && p < b.size()) {
        const unsigned c = static_cast<unsigned char>(b[p]);
        if (c < 0x80) {
            numbers.push_back({p, 1, c});
        } else if (c >= 0x81 && c <= 0x88 && p + 1 + (c - 0x80) <= b.size()) {
            std::uint32_t value = 0;
            for (std::size_t i = 0; i < c - 0x80; ++i) value = value << 8 | static_cast<unsigned char>(b[p + 1 + i]);
            numbers.push_back({p, 1 + (c - 0x80), value});
        } else {
            break;
        }
        p += numbers.back().length;
    }
    return numbers;
}

std::string encodeNumber(std::uint32_t value) {
    if (value < 0x80) return std::string(1, static_cast<char>(value));
    std::string bytes(1, static_cast<char>(0x84));
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(value >> shift & 0xFF));
    return bytes;
}

bool indexedValue(RecordView record, std::uint32_t &value) {
    std::size_t p = 2;
    if (p >= record.bytes.size()) return false;
    const unsigned lead = static_cast<unsigned char>(record.bytes[p]);
    p += lead >= 0x81 && lead <= 0x88 ? 1 + (lead - 0x80) : 1;
    if (p > record.bytes.size()) return false;
    // The first number after the index: the two bytes before it stand in for
    // the type bytes that leadingNumbers passes over.
    const NumberItems numbers = leadingNumbers({record.type, record.bytes.substr(p - 2)}, 1);
    if (numbers.empty()) return false;
    value = numbers[0].value;
    return true;
}

bool sectionExtent(std::span<const RecordView> records, std::uint32_t sectionPartOffset, std::uint32_t &lowest,
                   std::uint32_t &highest) {
    std::size_t i = 0;
    std::size_t offset = 0;
    while (i < records.size() && offset < sectionPartOffset) offset += records[i++].bytes.size();
    if (offset != sectionPartOffset) return false;
    bool any = false;
    // The lowest address starts at the top of 24 bits, so a module wholly above
    // it still begins there.
    lowest = 0xFFFFFF;
    highest = 0;
    for (; i + 3 < records.size() && records[i].type == ST; i += 4) {
        const RecordView &st = records[i];
        // The index (whatever its form: the converter takes any byte), then
        // the type letters; the last is the one before the name.
        std::size_t p = 1;
        if (p < st.bytes.size()) {
            const unsigned lead = static_cast<unsigned char>(st.bytes[p]);
            p += lead >= 0x81 && lead <= 0x88 ? 1 + (lead - 0x80) : 1;
        }
        unsigned last = 0;
        while (p < st.bytes.size() && static_cast<unsigned char>(st.bytes[p]) >= 0xC0 &&
               static_cast<unsigned char>(st.bytes[p]) <= 0xD8)
            last = static_cast<unsigned char>(st.bytes[p++]);
        if (records[i + 2].type != ASS || records[i + 3].type != ASL) return false;
        std::uint32_t size = 0;
        std::uint32_t base = 0;
        if (!indexedValue(records[i + 2], size) || !indexedValue(records[i + 3], base)) return false;
        if (size == 0 || last == 0xC4) continue;
        any = true;
        lowest = std::min(lowest, base);
        highest = std::max(highest, base + size - 1);
    }
    return any;
}

}  // namespace moduleRecords
