// The three output forms behind the record writer: what recordWriter.cpp hands
// to each of them. Only the record writers include this header.
#pragma once

#include <cstdint>
#include <cstdio>

// S-records: the buffered record as an S2 line; the S8 end record.
void writeSRecordData(std::FILE *stream);
void writeSRecordEnd(std::uint32_t entryAddress, std::FILE *stream);

// Intel HEX: the buffered record as a data line, preceded by an extended address
// record when its bank differs from the last one; the segment record of the
// segment form alone; the end record.
void writeIntelHexData(std::FILE *stream);
void writeSegmentRecord(std::uint32_t address, std::FILE *stream);
void writeIntelHexEnd(std::FILE *stream);

// Binary: one image byte at currentAddress (padding, clipping and the security
// bytes included); the rest of the image and the trailer.
void putBinaryByte(std::uint8_t byte, std::FILE *stream);
void finishBinaryImage(std::FILE *stream);
