// The ".id" report of the ID code and protect byte.
#pragma once

struct SecurityPlan;
class OutputSink;

// Writes the ID code and protect byte the image was given into `report`.
void writeIdReport(const SecurityPlan &security, OutputSink &report);
