// Hexadecimal text, both ways: the digits every option value, ID code and
// module text is read with, and the one primitive the text writers format
// bytes with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

constexpr bool isHexDigit(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The value of a hexadecimal digit either case; -1 for any other character.
constexpr int hexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Letters and digits of ASCII, whatever the locale says.
constexpr bool isAlphaNumeric(int c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The hexadecimal digits at the start of `text` paired into `bytes`, high
// nibble first: digit k sets byte k / 2 to its value times 16 (k even) or adds
// its value (k odd). Stops at the first other character or when `bytes` is
// full; bytes no digit reaches keep their value. Returns the digits taken.
constexpr std::size_t pairHexDigits(std::string_view text, std::span<std::uint8_t> bytes) {
    std::size_t k = 0;
    for (; k < text.size() && k < 2 * bytes.size() && isHexDigit(text[k]); ++k) {
        const auto value = static_cast<std::uint8_t>(hexDigitValue(text[k]));
        bytes[k / 2] = k % 2 == 0 ? static_cast<std::uint8_t>(value * 16) : static_cast<std::uint8_t>(bytes[k / 2] + value);
    }
    return k;
}

inline constexpr char upperHexDigits[] = "0123456789ABCDEF";

// Both digits of every byte value, so that a byte costs one look-up and one
// two-character copy.
struct HexPairTable {
    char pairs[256][2];
};
inline constexpr HexPairTable hexPairs = [] {
    HexPairTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        table.pairs[byte][0] = upperHexDigits[byte >> 4];
        table.pairs[byte][1] = upperHexDigits[byte & 0x0F];
    }
    return table;
}();

// The two digits of a byte at `at`; returns the position after them. For writers
// that keep the position and the sum in locals.
inline char *putHexPair(char *at, std::uint32_t value) {
    std::memcpy(at, hexPairs.pairs[value & 0xFF], 2);
    return at + 2;
}
