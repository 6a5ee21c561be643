#include "moduleRecords.h"

#include <cstring>

namespace modinspect {

int bytesNeeded(std::uint64_t value) {
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0) ++n;
    return n;
}

namespace {

Item makeItem(ItemKind kind) {
    Item item;
    item.kind = kind;
    return item;
}

using moduleFormat::isRecordType;
using moduleFormat::isTypePrefix;

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
        case rec::MB:
            takeNameHere();
            takeNameHere();
            break;
        case rec::NN:
            takeGeneral(1);
            takeNameHere();
            break;
        case rec::ST:
            takeGeneral(2);  // index, letters
            takeNameHere();
            break;
        case rec::ATN:
            takeGeneral(3);
            if (items.size() == 3 && items[2].kind == ItemKind::number &&
                items[2].value == idTextAttribute)
                takeNameHere();
            break;
        case rec::LD:
            // LD lines hold data bytes only: whatever follows them goes on a RAW line.
            takeLoadData(p, record);
            return;
        default:
            break;
    }
    takeItemsToNextRecord(p, items);
}


}  // namespace

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
        for (const moduleFormat::RecordName &known : moduleFormat::recordNames)
            if (static_cast<std::uint32_t>(known.type) == type) record.mnemonic = known.mnemonic;
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

}  // namespace modinspect
