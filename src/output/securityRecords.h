// The ID code and protect byte as records of their own in text outputs, for the
// security addresses that neither the data nor the fill wrote. A binary image
// takes them only as substituted bytes.
#pragma once

#include <cstdint>
#include <cstdio>

struct Conversion;

// After an ASP record moved the address to `address`: one record for each ID byte
// that the move skipped and nothing wrote. Writes to currentOutput.
void writeGapIdRecords(Conversion &conv, std::uint32_t address);
// After the last unit of a file: the ID bytes above the data and the protect
// byte, where nothing wrote them.
void writeSecurityRecords(Conversion &conv, std::FILE *stream);
