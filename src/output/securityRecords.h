// The ID code and protect byte as records of their own in text outputs, for the
// security addresses that neither the data nor the fill wrote. A binary image
// takes them only as substituted bytes.
#pragma once

#include <cstdint>

struct Conversion;
class TextRecordWriter;

// After an ASP record moved the address to `address`: one record for each ID byte
// that the move skipped and nothing wrote.
void writeSkippedIdRecords(Conversion &conv, TextRecordWriter &writer, std::uint32_t address);
// After the last unit of a file: the ID bytes above the data and the protect
// byte, where nothing wrote them.
void writeMissingSecurityRecords(Conversion &conv, TextRecordWriter &writer);
