// The ID code, protect and OFS settings and the target family.
#pragma once

struct Conversion;

// Sets every security field to its TQ40 value; clears the ID and protect flags.
void initSecurityDefaults(Conversion &conv);
// The text after "-ID": 0 accepted, 1 rejected.
int parseIdCode(Conversion &conv, const char *text);
// "-TQ8" (2), "-TQ8E" (4), "-TQ8N" (8).
void selectTarget(Conversion &conv, int kind);
// The cross-check after the last option.
void checkSecurityOptions(Conversion &conv);
