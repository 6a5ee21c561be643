// The record writers: image bytes tagged with their load address become
// S-records, Intel HEX records or a raw binary image.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int maxRecordLength = 32;

struct RecordState {
    std::uint32_t currentAddress;    // load address of the next byte
    std::uint32_t recordAddress;     // load address of the first buffered byte
    std::int32_t recordFill;         // bytes held in recordBuffer
    std::uint8_t recordBuffer[maxRecordLength];
    std::uint32_t lastUpperAddress;  // recordAddress of the last Intel HEX data record
    std::uint32_t lastDataAddress;   // load address of the last byte stored
    std::uint32_t dataSeen;          // an LD record was met during emission
    std::uint32_t binarySum;         // sum of the bytes of a binary image (wraps)
    std::uint32_t binaryLength;      // the value of the binary header
    std::FILE *currentOutput;        // the stream the current emission writes to
};
extern RecordState recordState;

void resetRecordState();
void putImageByte(std::uint8_t byte, std::FILE *stream);
void flushRecord(std::uint32_t nextAddress, std::FILE *stream);
void writeExtendedAddress(std::uint32_t address, std::FILE *stream);
std::uint8_t recordAddressSum(std::uint32_t address, int count);
void writeHeaderRecord(std::FILE *stream);
void writeBinaryHeader(std::FILE *stream);
void writeEndRecord(std::uint32_t trailerPart, std::FILE *stream);
