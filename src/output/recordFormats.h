// The three output forms behind the record writer: what recordWriter.cpp hands
// to each of them. Only the record writers include this header.
#pragma once

#include <cstdint>
#include <cstdio>

struct Conversion;

// The most text that one data record takes: an S2 record of 32 bytes (79
// characters with an eight-digit address), or an Intel HEX data record of 32 bytes with the extended address
// record before it (15 + 76 characters).
constexpr int maxRecordText = 96;

// S-records: an S2 line for `count` bytes at `address`, formatted at `at`
// (returns the end); the buffered record as an S2 line; the S8 end record.
char *formatSRecordData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count);
void writeSRecordData(Conversion &conv, std::FILE *stream);
void writeSRecordEnd(std::uint32_t entryAddress, std::FILE *stream);

// Intel HEX: the buffered record as a data line, preceded by an extended address
// record when its bank differs from the last one; the segment record of the
// segment form alone; the end record. formatIntelHexData formats a data line
// for `count` bytes at `address` (and the extended address record that it needs)
// at `at`, returns the end, and notes the address in lastUpperAddress.
char *formatIntelHexData(Conversion &conv, char *at, std::uint32_t address, const std::uint8_t *bytes, int count);
void writeIntelHexData(Conversion &conv, std::FILE *stream);
void writeSegmentRecord(std::uint32_t address, std::FILE *stream);
void writeIntelHexEnd(std::FILE *stream);

// Binary: one image byte at currentAddress (padding, clipping and the security
// bytes included); the rest of the image and the trailer.
void putBinaryByte(Conversion &conv, std::uint8_t byte, std::FILE *stream);
// The same as putBinaryByte for each of the `count` bytes in turn.
void putBinaryBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream);
void finishBinaryImage(Conversion &conv, std::FILE *stream);
