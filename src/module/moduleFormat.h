// The load module's format, written down once for every program that reads,
// writes, inspects or fuzzes modules: the record types, how a record's items
// are encoded, and the numbers the converter gives a meaning. Constants and
// small encoders only: how leniently a module is read is each reader's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace moduleFormat {

// Record types: one byte, or prefix * 256 + the next byte after 0xE2, 0xF1 and
// 0xF8. A reader gives endOfFile where no record begins.
namespace rec {
constexpr std::int32_t endOfFile = -1;
constexpr std::int32_t MB = 0xE0;     // module begin: processor and module name
constexpr std::int32_t ME = 0xE1;     // module end
constexpr std::int32_t SB = 0xE5;     // section begin (data part)
constexpr std::int32_t ST = 0xE6;     // section type: index, letters, name
constexpr std::int32_t SA = 0xE7;     // section alignment
constexpr std::int32_t AD = 0xEC;     // address descriptor
constexpr std::int32_t LD = 0xED;     // load data: a count byte and that many bytes
constexpr std::int32_t NN = 0xF0;     // name of a variable
constexpr std::int32_t TY = 0xF2;     // type of a variable
constexpr std::int32_t WX = 0xF4;     // weak external
constexpr std::int32_t RE = 0xF7;     // repeat count of the next LD record
constexpr std::int32_t BE = 0xF9;     // block end
constexpr std::int32_t ASG = 0xE2C7;  // execution start address
constexpr std::int32_t ASI = 0xE2C9;  // value of a variable
constexpr std::int32_t ASL = 0xE2CC;  // section base address
constexpr std::int32_t ASN = 0xE2CE;  // value of a name
constexpr std::int32_t ASP = 0xE2D0;  // load address: a unit begins
constexpr std::int32_t ASR = 0xE2D2;  // section relocation
constexpr std::int32_t ASS = 0xE2D3;  // section size
constexpr std::int32_t ASW = 0xE2D7;  // offset of a part of the module
constexpr std::int32_t ATI = 0xF1C9;  // attribute of a variable
constexpr std::int32_t ATN = 0xF1CE;  // attribute of a name
constexpr std::int32_t ATX = 0xF1D8;  // attribute of an external
// BB: the debug information's blocks, one type for each kind of block.
constexpr std::int32_t blockBegin(int kind) { return 0xF800 + kind; }
}  // namespace rec

// The record types that have a name, for the tools that print and assemble
// modules as text.
struct RecordName {
    const char *mnemonic;
    std::int32_t type;
};
inline constexpr RecordName recordNames[] = {
    {"MB", rec::MB},   {"ME", rec::ME},   {"SB", rec::SB},   {"ST", rec::ST},   {"SA", rec::SA},
    {"AD", rec::AD},   {"LD", rec::LD},   {"NN", rec::NN},   {"RE", rec::RE},   {"ASG", rec::ASG},
    {"ASL", rec::ASL}, {"ASP", rec::ASP}, {"ASS", rec::ASS}, {"ASW", rec::ASW}, {"ATN", rec::ATN},
};

constexpr bool isTypePrefix(unsigned byte) { return byte == 0xE2 || byte == 0xF1 || byte == 0xF8; }
constexpr bool isRecordType(unsigned byte) { return byte >= 0xE0 && byte <= 0xFB; }

// Items: one byte decides what follows.
constexpr unsigned shortNumberEnd = 0x80;   // below: a number that is its own value, or a short name's length
constexpr unsigned omittedField = 0x80;
constexpr unsigned longNumberFirst = 0x81;  // 0x80 + n: a number in the n big-endian bytes that follow
constexpr unsigned longNumberLast = 0x88;
constexpr unsigned plainNumberLast = 0x84;  // the longest number that fits 32 bits
constexpr unsigned comma = 0x90;
constexpr unsigned firstOperator = 0xA0, lastOperator = 0xBF;
constexpr unsigned firstLetter = 0xC0, lastLetter = 0xD8;  // '@', 'A' (0xC1) .. 'X'
constexpr unsigned nameLength8 = 0xDE;                     // a name whose length is the next byte
constexpr unsigned nameLength16 = 0xDF;                    // ... the next two bytes, big-endian
constexpr std::size_t maxLoadBytes = 255;                  // an LD record's count is one byte

constexpr bool isLongNumber(unsigned byte) { return byte >= longNumberFirst && byte <= longNumberLast; }
constexpr bool isLetter(unsigned byte) { return byte >= firstLetter && byte <= lastLetter; }
constexpr unsigned letterCode(char letter) { return firstLetter + static_cast<unsigned>(letter - '@'); }
constexpr char letterOf(unsigned code) { return static_cast<char>('@' + (code - firstLetter)); }

// Section type letters; the last letter of a section decides what it holds.
constexpr std::uint32_t letterD = letterCode('D');  // data in RAM: loads nothing
constexpr std::uint32_t letterP = letterCode('P');  // code
constexpr std::uint32_t letterR = letterCode('R');  // data in ROM

// The parts of a module, by the index of the ASW record that gives their offset.
namespace part {
constexpr std::uint32_t environment = 1;
constexpr std::uint32_t sections = 2;
constexpr std::uint32_t data = 5;
constexpr std::uint32_t trailer = 6;
}  // namespace part

// The attributes the converter reads.
constexpr std::uint32_t objectFormatAttribute = 38;  // its value 1: an absolute module
constexpr std::uint8_t absoluteFormat = 0x01;
constexpr std::uint32_t idTextAttribute = 55;         // ".ID ..." and ".PROTECT ..." texts

// A plain number: its value and the bytes it takes.
struct PlainNumber {
    std::uint32_t value;
    std::size_t length;
};

// The number that begins a run of items, when it is a plain one of at most
// four bytes and the run holds it whole; none for an omitted field, an
// expression or a longer number.
constexpr std::optional<PlainNumber> leadingNumber(std::span<const std::uint8_t> run) {
    if (run.empty()) return std::nullopt;
    const unsigned lead = run[0];
    if (lead < shortNumberEnd) return PlainNumber{lead, 1};
    const std::size_t length = 1 + (lead - omittedField);
    if (lead < longNumberFirst || lead > plainNumberLast || run.size() < length) return std::nullopt;
    // Big-endian digits without a loop: the converter reads two numbers of
    // every unit this way, twice.
    std::uint32_t value = run[1];
    if (length > 2) value = (value << 8) | run[2];
    if (length > 3) value = (value << 8) | run[3];
    if (length > 4) value = (value << 8) | run[4];
    return PlainNumber{value, length};
}

// The value of a run that is one plain number and nothing else: the only form
// in which the converter takes an address or a size.
constexpr std::optional<std::uint32_t> plainNumber(std::span<const std::uint8_t> run) {
    const std::optional<PlainNumber> number = leadingNumber(run);
    if (!number || number->length != run.size()) return std::nullopt;
    return number->value;
}

// Appends a number: in its shortest form, or in the long form of `width` bytes
// (1 to 8).
template <class Bytes>
void appendNumber(Bytes &out, std::uint64_t value, int width = 0) {
    if (width == 0) {
        if (value < shortNumberEnd) {
            out.push_back(static_cast<typename Bytes::value_type>(value));
            return;
        }
        width = 1;
        while (width < 8 && (value >> (8 * width)) != 0) ++width;
    }
    out.push_back(static_cast<typename Bytes::value_type>(omittedField + static_cast<unsigned>(width)));
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<typename Bytes::value_type>(value >> (8 * i)));
}

// Appends a name (at most 65535 characters) with its length in the shortest form.
template <class Bytes>
void appendName(Bytes &out, std::string_view name) {
    using Byte = typename Bytes::value_type;
    const std::size_t length = name.size();
    if (length < shortNumberEnd) {
        out.push_back(static_cast<Byte>(length));
    } else if (length <= 0xFF) {
        out.push_back(static_cast<Byte>(nameLength8));
        out.push_back(static_cast<Byte>(length));
    } else {
        out.push_back(static_cast<Byte>(nameLength16));
        out.push_back(static_cast<Byte>(length >> 8));
        out.push_back(static_cast<Byte>(length));
    }
    for (const char c : name) out.push_back(static_cast<Byte>(c));
}

// Appends a record's type bytes.
template <class Bytes>
void appendType(Bytes &out, std::int32_t type) {
    if (type > 0xFF) out.push_back(static_cast<typename Bytes::value_type>(type >> 8));
    out.push_back(static_cast<typename Bytes::value_type>(type & 0xFF));
}

}  // namespace moduleFormat
