// The module as a list of records, each as the fields modasm writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/moduleFormat.h"

namespace modinspect {

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

// One line: a known record, or a RAW line (verbatim type bytes and fields, or
// bytes that stand where no record begins).
struct Record {
    std::size_t offset;
    std::uint32_t type;    // 0 for a RAW line
    const char *mnemonic;  // "RAW" when the type has no mnemonic
    std::vector<Item> items;
};

namespace rec = moduleFormat::rec;
using moduleFormat::idTextAttribute;

// Every byte of `bytes` in a record: a record the module text knows, or a RAW
// line of verbatim bytes.
std::vector<Record> parseModule(const Bytes &bytes);

// The fewest bytes that hold `value`.
int bytesNeeded(std::uint64_t value);

}  // namespace modinspect
