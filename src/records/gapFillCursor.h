// Where the fill ("-F") stands in a run.
#pragma once

#include <cstdint>

// The progress of the fill over the run, carried from the CODE file into the
// ROM data file: no address record seen yet; seen, none at or above the fill
// start yet; filling; the fill end was reached.
struct GapFillCursor {
    enum State : std::int32_t { noAddressYet = 0, beforeFillStart = 1, filling = 2, fillDone = 3 };
    State state = noAddressYet;
};
