// The ".id" report of the ID code and protect byte.
#pragma once

#include <cstdio>

struct Conversion;

void createIdReport(Conversion &conv);
void writeIdReport(Conversion &conv, std::FILE *stream);
