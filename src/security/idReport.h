// The ".id" report of the ID code and protect byte.
#pragma once

struct Conversion;
class OutputSink;

void createIdReport(Conversion &conv);
void writeIdReport(Conversion &conv, OutputSink *report);
