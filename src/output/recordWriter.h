// The record writers: image bytes tagged with their load address become
// S-records, Intel HEX records or a raw binary image.
#pragma once

#include <cstdint>
#include <cstdio>

struct Conversion;

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

    // Which security addresses this output file already holds: bit i for ID byte i,
    // securityBits::protect for the protect byte. The security records write only
    // what is still missing, so each of them reaches a text output exactly once.
    std::uint32_t securityWritten;

    // Binary image bounds, fixed by writeBinaryHeader so that the file always
    // matches its header: every address from imageStart to imageEnd is written
    // once, in order, unloaded ones with the fill byte.
    bool imageBounded;
    std::uint32_t imageStart;
    std::uint32_t imageEnd;
    std::uint32_t imageNext;         // address of the next byte the file receives
    bool outsideDataReported;        // data outside the bounds was warned about
};

namespace securityBits {
constexpr std::uint32_t protect = 1u << 7;  // bits 0 to 6 are the seven ID bytes
}

// Scratch space of the writers, kept with the run so that no writer needs a
// buffer of its own between calls.
struct WriterBuffers {
    std::uint8_t repeated[4096];  // a short repeated run, copied one after the other
    std::uint8_t fill[4096];      // fill bytes for gaps and binary padding
    char recordBlock[8192];       // complete records written with one call
};

void resetRecordState(Conversion &conv);
void putImageByte(Conversion &conv, std::uint8_t byte, std::FILE *stream);
// The same as putImageByte for each of the `count` bytes in turn (the same
// records, substitutions and progress events), copied a record at a time where
// no range bound and no security byte is near.
void putImageBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream);
// The run of `count` bytes `passes` times in succession (an LD record after RE).
void putRepeatedBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::uint32_t passes,
                      std::FILE *stream);
// Gives an output stream that nothing has been written to yet a large buffer, so
// that the image reaches the file in few large writes.
void bufferOutput(Conversion &conv, std::FILE *stream);
void flushRecord(Conversion &conv, std::uint32_t nextAddress, std::FILE *stream);
void writeExtendedAddress(Conversion &conv, std::uint32_t address, std::FILE *stream);
std::uint8_t recordAddressSum(Conversion &conv, std::uint32_t address, int count);
void writeHeaderRecord(std::FILE *stream);
void writeBinaryHeader(Conversion &conv, std::FILE *stream);
// Pads a binary image with the fill byte up to `address` (exclusive), within the
// bounds that writeBinaryHeader fixed; called at the address record of a unit.
void padBinaryImage(Conversion &conv, std::uint32_t address, std::FILE *stream);
void writeEndRecord(Conversion &conv, std::uint32_t trailerPart, std::FILE *stream);
