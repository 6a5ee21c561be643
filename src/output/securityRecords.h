// The ID code and protect byte as records of their own in text outputs.
#pragma once

#include <cstdint>
#include <cstdio>

void writeGapIdRecords(std::uint32_t address, std::uint32_t gap);
void writeSecurityRecords(std::FILE *stream);
