// The ID code, protect and OFS options and the target family.
#pragma once

struct RunSettings;

// The text after "-ID": 0 accepted, 1 rejected.
int parseIdCode(RunSettings &settings, const char *text);
// "-TQ8" (2), "-TQ8E" (4), "-TQ8N" (8).
void selectTarget(RunSettings &settings, int kind);
// The cross-check after the last option.
void checkSecurityOptions(RunSettings &settings);
