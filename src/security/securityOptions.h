// The ID code, protect and OFS settings and the target family.
#pragma once

// Sets every security field to its TQ40 value; clears the ID and protect flags.
void initSecurityDefaults();
// The text after "-ID": 0 accepted, 1 rejected.
int parseIdCode(const char *text);
// "-TQ8" (2), "-TQ8E" (4), "-TQ8N" (8).
void selectTarget(int kind);
// The cross-check after the last option.
void checkSecurityOptions();

bool isHexDigit(int c);
bool isAlphaNumeric(int c);
int hexDigitValue(int c);
