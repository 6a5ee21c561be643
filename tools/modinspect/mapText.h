// Text helpers of the memory map page: escaping and the numbers as the page
// writes them (addresses in upper-case hexadecimal as romcast's options take
// them, sizes in bytes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "byteText.h"

namespace modinspect {

std::string escapeHtml(std::string_view text);
std::string hexAddress(std::uint32_t address);  // "F0000"
std::string byteCount(std::uint64_t bytes);     // "1 byte", "32,732 bytes"
std::string pixels(double value);               // "12.5"

}  // namespace modinspect
