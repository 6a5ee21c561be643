// The values that options carry: hexadecimal numbers, the address range of
// "-A", the fill of "-F", and the input name that ends the command line.
#pragma once

struct Conversion;

// "-A" start or start:end; sets rangeStart, rangeEnd, rangeForm (error 15).
void applyRangeValue(Conversion &conv, const char *value);
// "-F" data, data:start or data:start:end; sets fillByte, fillStart, fillEnd,
// fillForm (error 5 for a bad lone data byte, else error 19).
void applyFillValue(Conversion &conv, const char *value);
// Sets inputName from the last argument, adding ".tqx" when it has no
// extension; any other extension is error 7.
void setInputName(Conversion &conv, const char *argument);
