// The command line.
#pragma once

#include <cstdint>

void parseOptions(int argc, char **argv);
int parseHexValue(const char *text, std::uint32_t *value);
int compareNoCase(const char *a, const char *b);
