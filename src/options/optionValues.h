// The values that options carry: hexadecimal numbers, the address range of
// "-A", the fill of "-F", and the input name that ends the command line.
#pragma once

#include <cstdint>

struct RunSettings;

// A hexadecimal value no higher than the target's address limit: 1 and the
// value in `value`, else 0.
int parseHexValue(const RunSettings &settings, const char *text, std::uint32_t *value);
// Compares two texts as strcmp does, letters of either case alike.
int compareNoCase(const char *a, const char *b);

// "-A" start or start:end; sets rangeStart, rangeEnd, rangeForm (error 15).
void applyRangeValue(RunSettings &settings, const char *value);
// "-F" data, data:start or data:start:end; sets fillByte, fillStart, fillEnd,
// fillForm (error 5 for a bad lone data byte, else error 19).
void applyFillValue(RunSettings &settings, const char *value);
// Sets inputName from the last argument, adding ".tqx" when it has no
// extension; any other extension is error 7.
void setInputName(RunSettings &settings, const char *argument);
