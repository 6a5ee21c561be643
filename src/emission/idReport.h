// The ".id" report of the ID code and protect byte.
#pragma once

struct Conversion;
class OutputSink;

// Creates the report beside the image (kept whatever happens to the run).
void createIdReport(Conversion &conv);
// Writes the ID code and protect byte the image was given into `report`.
void writeIdReport(const Conversion &conv, OutputSink &report);
