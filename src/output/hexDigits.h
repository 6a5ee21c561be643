// The one hex primitive of the text writers: a record is built in a small buffer,
// two upper-case digits per byte with a running byte sum, and written with one
// fwrite. Nothing is formatted with printf on the way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

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

struct HexLine {
    // The longest line is an S2 record of 32 data bytes: "S2", count, three
    // address bytes, the data, the checksum and the line feed (77 characters).
    char text[96];
    int length;
    std::uint8_t sum;  // 8-bit sum of the bytes put with putHexByte
};

// Starts a line with a literal prefix such as "S2" or ":"; the sum starts at 0.
inline void startLine(HexLine &line, const char *prefix) {
    line.length = 0;
    line.sum = 0;
    while (*prefix != '\0') line.text[line.length++] = *prefix++;
}

// Appends a byte as two digits and adds it to the sum.
inline void putHexByte(HexLine &line, std::uint32_t value) {
    const std::uint8_t byte = static_cast<std::uint8_t>(value);
    std::memcpy(line.text + line.length, hexPairs.pairs[byte], 2);
    line.length += 2;
    line.sum = static_cast<std::uint8_t>(line.sum + byte);
}

// The two digits of a byte at `at`; returns the position after them. For writers
// that keep the position and the sum in locals.
inline char *putHexPair(char *at, std::uint32_t value) {
    std::memcpy(at, hexPairs.pairs[value & 0xFF], 2);
    return at + 2;
}

// The S-record checksum: the ones' complement of the sum so far.
inline void putOnesComplementSum(HexLine &line) { putHexByte(line, static_cast<std::uint8_t>(~line.sum)); }

// The Intel HEX checksum: the two's complement of the sum so far.
inline void putTwosComplementSum(HexLine &line) {
    putHexByte(line, static_cast<std::uint8_t>(0x100 - line.sum));
}

// Ends the line with "\n" (on every platform) and writes it in one call.
inline void writeLine(HexLine &line, std::FILE *stream) {
    line.text[line.length++] = '\n';
    std::fwrite(line.text, 1, static_cast<std::size_t>(line.length), stream);
}
