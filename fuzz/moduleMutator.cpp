// The fuzzing target's own mutations: they work on the module's records rather
// than its bytes, and after every change the ASW records are pointed again at
// the records they pointed at, so that a mutated module still gets past its
// header to the sections, the units, the RE and LD runs, the ID texts and the
// trailer. An eighth of the calls still mutate plain bytes, offsets included.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "moduleRecords.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t *data, std::size_t size, std::size_t maxSize);

namespace {

namespace rec = moduleRecords;

// Values at the edges of the address spaces, the ID page and the number forms.
constexpr std::uint32_t boundaries[] = {
    0,       1,        2,        0x7F,      0x80,       0xFF,       0x100,  0xFF00, 0xFFDF,
    0xFFFF,  0x10000,  0xF0000,  0xFFF00,   0xFFFDF,    0xFFFFB,    0xFFFFF,
    0x100000, 0xFFFFFF, 0x1000000, 0x7FFFFFFF, 0xFFFFFFFF,
};

// Texts of the environment part's attribute 55.
constexpr const char *idTexts[] = {
    ".ID #00112233445566", ".ID abc", ".ID #", ".ID ", ".PROTECT 3F", ".PROTECT F3", "REV.F1", ".ID #FFFFFFFFFFFFFF",
    ".PROTECT zz",
};

constexpr int noTarget = -1;
constexpr int endOfModule = -2;  // an offset one past the last record

// A record with a name that survives moves, and for an ASW record the record
// its offset names. Its bytes stay where they are, in the input or among the
// records the mutations made: the mutator runs for every input, and copying
// each record cost more than the mutation.
struct Piece {
    rec::RecordView record;
    int id;
    int target = noTarget;
};

struct Module {
    std::uint8_t optionByte;
    std::vector<Piece> pieces;
    int nextId = 0;
    // A list: views of its strings stay valid, and an empty one takes no memory.
    std::list<std::string> made;

    rec::RecordView keep(std::uint32_t type, std::string bytes) {
        made.push_back(std::move(bytes));
        return {type, made.back()};
    }
};

// The mutator and the cross-over run once for every input each. What they
// build is kept from call to call, so that a call allocates nothing once it has
// grown: under AddressSanitizer every allocation costs about a microsecond.
struct Scratch {
    Module module;
    std::vector<rec::RecordView> records;  // of the module, then of a cross-over's second input
    std::vector<std::size_t> starts;
    std::vector<std::size_t> offsetOfId;
    std::string bytes;
};
Scratch scratch;

// The input as records into `scratch.module`.
Module &parse(const std::uint8_t *data, std::size_t size) {
    Module &module = scratch.module;
    module.optionByte = data[0];
    module.pieces.clear();
    module.nextId = 0;
    module.made.clear();
    std::vector<rec::RecordView> &records = scratch.records;
    rec::cut(std::string_view(reinterpret_cast<const char *>(data + 1), size - 1), records);
    std::vector<std::size_t> &starts = scratch.starts;
    starts.clear();
    std::size_t offset = 0;
    for (const rec::RecordView &record : records) {
        starts.push_back(offset);
        offset += record.bytes.size();
        module.pieces.push_back({record, module.nextId++});
    }
    for (Piece &piece : module.pieces) {
        if (piece.record.type != rec::ASW) continue;
        const rec::NumberItems numbers = rec::leadingNumbers(piece.record, 2);
        if (numbers.size() < 2) continue;
        if (numbers[1].value == offset) {
            piece.target = endOfModule;
            continue;
        }
        const auto found = std::lower_bound(starts.begin(), starts.end(), numbers[1].value);
        if (found != starts.end() && *found == numbers[1].value) piece.target = static_cast<int>(found - starts.begin());
    }
    return module;
}

// Writes the module back into `scratch.bytes`, every ASW record with a target
// naming its offset.
const std::string &serialize(const Module &module) {
    // The offset is written in the four-byte form, so that the records'
    // lengths, and with them the offsets, are known before they are filled in.
    const auto offsetEnd = [](const Piece &piece) -> std::size_t {
        if (piece.record.type != rec::ASW || piece.target == noTarget) return 0;
        const rec::NumberItems numbers = rec::leadingNumbers(piece.record, 1);
        return numbers.empty() ? 0 : numbers[0].position + numbers[0].length;
    };
    constexpr std::size_t longNumber = 5;
    std::vector<std::size_t> &offsetOfId = scratch.offsetOfId;
    offsetOfId.assign(static_cast<std::size_t>(module.nextId), 0);
    std::size_t offset = 0;
    for (const Piece &piece : module.pieces) {
        offsetOfId[static_cast<std::size_t>(piece.id)] = offset;
        const std::size_t head = offsetEnd(piece);
        offset += head != 0 ? head + longNumber : piece.record.bytes.size();
    }
    std::string &bytes = scratch.bytes;
    bytes.clear();
    bytes.push_back(static_cast<char>(module.optionByte));
    for (const Piece &piece : module.pieces) {
        const std::size_t head = offsetEnd(piece);
        if (head == 0) {
            bytes += piece.record.bytes;
            continue;
        }
        const std::size_t at = piece.target == endOfModule ? offset : offsetOfId[static_cast<std::size_t>(piece.target)];
        bytes += piece.record.bytes.substr(0, head);
        bytes.push_back(static_cast<char>(0x84));
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(at >> shift & 0xFF));
    }
    return bytes;
}

class Mutator {
public:
    Mutator(Module &module, unsigned seed) : m(module), random(seed) {}

    void mutateOnce() {
        switch (below(8)) {
        case 0: m.optionByte = static_cast<std::uint8_t>(below(256)); break;
        case 1: deletePieces(); break;
        case 2: duplicatePiece(); break;
        case 3: movePieces(); break;
        case 4: mutateBody(); break;
        case 5:
        case 6: changeNumber(); break;
        default: insertRecord(); break;
        }
    }

private:
    Module &m;
    std::minstd_rand random;

    std::size_t below(std::size_t n) { return n == 0 ? 0 : random() % n; }
    std::size_t anyPosition() { return below(m.pieces.size() + 1); }

    void insertPiece(std::size_t at, rec::RecordView record, int target = noTarget) {
        m.pieces.insert(m.pieces.begin() + static_cast<std::ptrdiff_t>(at), Piece{record, m.nextId++, target});
    }

    // A deleted record hands its part offsets to the one after it.
    void deletePieces() {
        if (m.pieces.size() < 2) return;
        const std::size_t first = below(m.pieces.size());
        const std::size_t count = std::min(m.pieces.size() - first, below(4) == 0 ? 1 + below(4) : 1);
        const int heir = first + count < m.pieces.size() ? m.pieces[first + count].id : endOfModule;
        for (std::size_t i = first; i < first + count; ++i)
            for (Piece &piece : m.pieces)
                if (piece.target == m.pieces[i].id) piece.target = heir;
        m.pieces.erase(m.pieces.begin() + static_cast<std::ptrdiff_t>(first),
                       m.pieces.begin() + static_cast<std::ptrdiff_t>(first + count));
    }

    void duplicatePiece() {
        if (m.pieces.empty()) return;
        const std::size_t copied = below(m.pieces.size());
        const rec::RecordView record = m.pieces[copied].record;
        const int target = m.pieces[copied].target;
        insertPiece(below(2) == 0 ? anyPosition() : copied + 1, record, target);
    }

    void movePieces() {
        if (m.pieces.size() < 2) return;
        const std::size_t first = below(m.pieces.size());
        const std::size_t count = std::min(m.pieces.size() - first, 1 + below(3));
        // `to` counts positions among the other records.
        const std::size_t to = below(m.pieces.size() - count + 1);
        const auto at = [&](std::size_t i) { return m.pieces.begin() + static_cast<std::ptrdiff_t>(i); };
        if (to <= first) std::rotate(at(to), at(first), at(first + count));
        else std::rotate(at(first), at(first + count), at(to + count));
    }

    // The bytes after the type, mutated as bytes; an LD record keeps a count
    // that matches, and an ASW record rather gets another target.
    void mutateBody() {
        if (m.pieces.empty()) return;
        Piece &piece = m.pieces[below(m.pieces.size())];
        const rec::RecordView record = piece.record;
        if (record.type == rec::ASW && piece.target != noTarget && below(4) != 0) {
            piece.target = below(8) == 0 ? endOfModule : m.pieces[below(m.pieces.size())].id;
            return;
        }
        const std::size_t head = record.type == rec::noType ? 0 : rec::typeLength(record.type) + (record.type == rec::LD ? 1 : 0);
        if (record.bytes.size() < head) return;
        const std::size_t room = std::min<std::size_t>(record.type == rec::LD ? 255 : 4096, record.bytes.size() - head + 64);
        std::string bytes(record.bytes);
        bytes.resize(head + room);
        const std::size_t body = LLVMFuzzerMutate(reinterpret_cast<std::uint8_t *>(bytes.data() + head), record.bytes.size() - head, room);
        bytes.resize(head + body);
        if (record.type == rec::LD) bytes[1] = static_cast<char>(body);
        piece.record = m.keep(record.type, std::move(bytes));
        if (record.type == rec::ASW) piece.target = noTarget;
    }

    // One of the leading numbers of a record (section index, address, size,
    // repeat count, attribute number) gets a nearby, a boundary or a borrowed value.
    void changeNumber() {
        if (m.pieces.empty()) return;
        Piece &piece = m.pieces[below(m.pieces.size())];
        const rec::NumberItems numbers = rec::leadingNumbers(piece.record, 3);
        if (numbers.empty()) return;
        const std::size_t which = below(numbers.size());
        const rec::NumberItem &item = numbers[which];
        const std::uint32_t value = newValue(item.value);
        std::string encoded = rec::encodeNumber(value);
        if (below(16) == 0) {
            // An unusual but valid length: up to eight bytes, the value in the low four.
            const std::size_t length = 1 + below(8);
            encoded.assign(1, static_cast<char>(0x80 + length));
            for (std::size_t i = length; i-- > 0;) encoded.push_back(static_cast<char>(i < 4 ? value >> (8 * i) & 0xFF : 0));
        }
        std::string bytes(piece.record.bytes);
        bytes.replace(item.position, item.length, encoded);
        piece.record = m.keep(piece.record.type, std::move(bytes));
        if (piece.record.type == rec::ASW && which == 1) piece.target = noTarget;
    }

    std::uint32_t newValue(std::uint32_t value) {
        switch (below(6)) {
        case 0: return value + 1;
        case 1: return value - 1;
        case 2: return value + static_cast<std::uint32_t>(below(64)) - 32;
        case 3: return boundaries[below(sizeof boundaries / sizeof boundaries[0])];
        case 4: return value ^ (1u << below(32));
        default: {
            // A number of another record, so that indexes and addresses meet.
            const Piece &other = m.pieces[below(m.pieces.size())];
            const rec::NumberItems numbers = rec::leadingNumbers(other.record, 3);
            return numbers.empty() ? value : numbers[below(numbers.size())].value;
        }
        }
    }

    rec::RecordView make(std::uint32_t type, const std::string &body) {
        std::string bytes;
        if (type > 0xFF) bytes.push_back(static_cast<char>(type >> 8));
        bytes.push_back(static_cast<char>(type & 0xFF));
        return m.keep(type, bytes + body);
    }

    std::string someName(const char *text) { return std::string(1, static_cast<char>(std::strlen(text))) + text; }

    std::uint32_t someIndex() { return static_cast<std::uint32_t>(1 + below(4)); }

    std::uint32_t someAddress() {
        const std::uint32_t bases[] = {0x1000, 0x0F0000, 0xFFF00, 0xFFFD0, 0xFF00, 0x2000, 0};
        return bases[below(sizeof bases / sizeof bases[0])] + static_cast<std::uint32_t>(below(64));
    }

    void insertRecord() {
        const std::size_t at = anyPosition();
        switch (below(8)) {
        case 0: {
            std::string bytes(1 + below(below(8) == 0 ? 255 : 32), '\0');
            for (char &byte : bytes) byte = static_cast<char>(below(256));
            insertPiece(at, make(rec::LD, std::string(1, static_cast<char>(bytes.size())) + bytes));
            break;
        }
        case 1: insertPiece(at, make(rec::RE, rec::encodeNumber(below(4) == 0 ? static_cast<std::uint32_t>(random()) : static_cast<std::uint32_t>(below(5))))); break;
        case 2: insertPiece(at, make(rec::ASP, rec::encodeNumber(someIndex()) + rec::encodeNumber(someAddress()))); break;
        case 3: insertPiece(at, make(rec::SB, rec::encodeNumber(someIndex()))); break;
        case 4: {
            // A whole section: ST, SA, ASS, ASL.
            const std::uint32_t index = someIndex();
            const char letters[] = {'\xC1', below(3) == 0 ? '\xD2' : below(2) == 0 ? '\xC4' : '\xD0'};
            insertPiece(at, make(rec::ASL, rec::encodeNumber(index) + rec::encodeNumber(someAddress())));
            insertPiece(at, make(rec::ASS, rec::encodeNumber(index) + rec::encodeNumber(static_cast<std::uint32_t>(below(300)))));
            insertPiece(at, make(rec::SA, rec::encodeNumber(index) + rec::encodeNumber(2)));
            insertPiece(at, make(rec::ST, rec::encodeNumber(index) + std::string(letters, 2) + someName("S")));
            break;
        }
        case 5: {
            const char *text = idTexts[below(sizeof idTexts / sizeof idTexts[0])];
            insertPiece(at, make(rec::ATN, std::string("\x00\x00\x37", 3) + someName(text)));
            break;
        }
        case 6: insertPiece(at, make(rec::ASG, rec::encodeNumber(someAddress()))); break;
        default: insertPiece(at, make(rec::ME, "")); break;
        }
    }
};

std::size_t store(const std::string &bytes, std::uint8_t *data, std::size_t maxSize) {
    if (bytes.size() > maxSize) return 0;
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

// ROMCAST_FUZZ_PLAIN in the environment leaves every mutation to libFuzzer's
// byte-level ones, to measure what working on records gains.
const bool plainMutation = std::getenv("ROMCAST_FUZZ_PLAIN") != nullptr;

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t *data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    if (plainMutation || size < 2 || seed % 8 == 0) return LLVMFuzzerMutate(data, size, maxSize);
    Module &module = parse(data, size);
    Mutator mutator(module, seed);
    const unsigned rounds = 1 + (seed >> 3) % 3;
    for (unsigned i = 0; i < rounds; ++i) mutator.mutateOnce();
    const std::size_t stored = store(serialize(module), data, maxSize);
    return stored != 0 ? stored : LLVMFuzzerMutate(data, size, maxSize);
}

// A run of records of the second module goes into the first; their ASW
// records, if any, keep the offsets they had.
extern "C" std::size_t LLVMFuzzerCustomCrossOver(const std::uint8_t *data1, std::size_t size1,
                                                 const std::uint8_t *data2, std::size_t size2, std::uint8_t *out,
                                                 std::size_t maxOutSize, unsigned int seed) {
    if (size1 < 2 || size2 < 2) return 0;
    if (plainMutation) {
        // Bytes of the first input, then bytes of the second.
        const std::size_t head = std::min(maxOutSize, 1 + seed % size1);
        const std::size_t tail = std::min(maxOutSize - head, size2 - seed % size2);
        std::memcpy(out, data1, head);
        std::memcpy(out + head, data2 + (size2 - tail), tail);
        return head + tail;
    }
    Module &first = parse(data1, size1);
    std::vector<rec::RecordView> &second = scratch.records;
    rec::cut(std::string_view(reinterpret_cast<const char *>(data2 + 1), size2 - 1), second);
    std::minstd_rand random(seed);
    const std::size_t from = random() % second.size();
    const std::size_t count = std::min<std::size_t>(second.size() - from, 1 + random() % 8);
    const std::size_t at = random() % (first.pieces.size() + 1);
    for (std::size_t i = 0; i < count; ++i)
        first.pieces.insert(first.pieces.begin() + static_cast<std::ptrdiff_t>(at + i),
                            Piece{second[from + i], first.nextId++, noTarget});
    return store(serialize(first), out, maxOutSize);
}
