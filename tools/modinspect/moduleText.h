// The module text: one line a record, which modasm reads back into the same
// bytes, and the quoting and number forms the other reports share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moduleRecords.h"

namespace modinspect {

// A name as the module text writes it, quoted and escaped.
std::string quoteName(const std::string &text);
// "0x0F0000": an address as the reports print it.
std::string hexAddress(std::uint64_t address);
// The part an ASW index points at, by its name.
const char *partName(std::uint64_t index);
// The index and offset of an ASW record whose two fields are plain numbers.
bool aswFields(const Record &r, std::uint64_t &index, std::uint64_t &offset);

void printText(const std::vector<Record> &records);

}  // namespace modinspect
