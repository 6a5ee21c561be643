// The ".id" report of the ID code and protect byte.
#pragma once

#include <cstdio>

void createIdReport();
void writeIdReport(std::FILE *stream);
