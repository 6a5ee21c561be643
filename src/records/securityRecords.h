// The ID code and protect byte as records of their own in text outputs, for the
// security addresses that neither the data nor the fill wrote. A binary image
// takes them only as substituted bytes.
#pragma once

#include <cstdint>

#include "records/imageWriter.h"

struct ImagePlan;

// A text output that takes one byte as a record of its own, and the state of
// its records.
class ByteRecordOutput {
public:
    // One byte at `address` as a record of its own: an ID code or protect byte.
    virtual void writeByteRecord(std::uint32_t address, std::uint8_t byte) = 0;
    virtual RecordState &recordState() = 0;

protected:
    ~ByteRecordOutput() = default;
};

// After an ASP record moved the address to `address`: one record for each ID byte
// that the move skipped and nothing wrote.
void writeSkippedIdRecords(const ImagePlan &plan, ByteRecordOutput &writer, std::uint32_t address);
// After the last unit of a file: the ID bytes above the data and the protect
// byte, where nothing wrote them.
void writeMissingSecurityRecords(const ImagePlan &plan, ByteRecordOutput &writer);
