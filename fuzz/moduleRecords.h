// A load module cut into its records, for the fuzzing target's mutator and its
// cross-check. Written apart from the converter's reader and lenient: any
// bytes cut into records, and the records joined again give the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "module/moduleFormat.h"

namespace moduleRecords {

// Record types, as the module format defines them; noType for bytes that do
// not begin with a record type.
using namespace moduleFormat::rec;
constexpr std::uint32_t noType = 0;

// A record where it stands: its type and its bytes.
struct RecordView {
    std::uint32_t type;
    std::string_view bytes;  // the whole record, its type bytes included
};

// Cuts `module` into `records`, in place of what they held: each record ends
// where the converter's reader would end its body, or, for bytes it would not
// take, at the next record type byte. The views point into `module`. The
// callers keep their vector from input to input, so that cutting allocates
// nothing once it has grown.
void cut(std::string_view module, std::vector<RecordView> &records);

// The number items at the start of a record's body (after the type bytes):
// where each begins, how many bytes it takes, and its value. At most three are
// asked for, so they are held in place: the target reads them for every input.
struct NumberItem {
    std::size_t position;
    std::size_t length;
    std::uint32_t value;
};
class NumberItems {
public:
    static constexpr std::size_t capacity = 3;
    void push_back(const NumberItem &item) { items[count++] = item; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const NumberItem &operator[](std::size_t i) const { return items[i]; }
    const NumberItem &back() const { return items[count - 1]; }

private:
    std::array<NumberItem, capacity> items{};
    std::size_t count = 0;
};
NumberItems leadingNumbers(RecordView record, std::size_t most);

// The value of an ASS, ASL or ASP record: the index item in any form (the
// converter takes any byte there), then a plain number, which is all the
// converter accepts there. False when the value is not a plain number.
bool indexedValue(RecordView record, std::uint32_t &value);

// A number item for `value`: one byte below 0x80, else 0x84 and four bytes.
std::string encodeNumber(std::uint32_t value);

// The number of type bytes of a record type.
std::size_t typeLength(std::uint32_t type);

// The address range [lowest, highest] of the sections that a binary image
// covers: non-empty sections whose type letters do not end in 'D', the lowest
// address never above 0xFFFFFF (where the converter starts it). False when
// there is none, or when a section's size or address is not a plain number.
bool sectionExtent(std::span<const RecordView> records, std::uint32_t sectionPartOffset, std::uint32_t &lowest,
                   std::uint32_t &highest);

}  // namespace moduleRecords
