// The cross-checks of the address range ("-A") and the fill range ("-F"):
// against each other before the module is read, and against the module's
// extent after it.
#pragma once

struct Conversion;

// A fill range cannot be placed in a binary image: error 5 for a "-F" with an
// address, with binary output.
void checkFillAgainstBinary(Conversion &conv);
// Before reading: completes the fill range from the address range, and refuses
// a fill range that leaves the address range (error 20).
void reconcileRangesBeforeReading(Conversion &conv);
// After reading: closes an open address range at the module's end, refuses a
// range that misses the module (error 17) or a fill start past it (error 20),
// and widens the output range to cover a fill range.
void reconcileRangesAfterReading(Conversion &conv);
