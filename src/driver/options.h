// The command line.
#pragma once

#include <cstdint>

struct Conversion;

void parseOptions(Conversion &conv, int argc, const char *const *argv);
int parseHexValue(Conversion &conv, const char *text, std::uint32_t *value);
int compareNoCase(const char *a, const char *b);
