// The independent reader of the end-to-end tests: SRecord's srec_cat reads a text
// output of romcast, and the memory image it sees must be the image the test
// expects. A checksum, count or address slip that a byte-for-byte comparison with
// a golden file would have inherited cannot pass this check.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// A memory image: address to byte.
using MemoryImage = std::map<std::uint32_t, std::uint8_t>;

enum class TextForm { sRecord, intelHex };

// Empty when srec_cat reads `fileText` (in `form`) without a complaint, every
// byte once; `seen` receives the memory image it saw. Otherwise the complaint.
std::string readWithSrecCat(const std::string &fileText, TextForm form, MemoryImage &seen);
