// The library's boundary: a run's error as the public Error.
#pragma once

#include <romcast/romcast.h>

#include "common/runError.h"

namespace romcast {

// The Error of a run's RunError: its message line without the newline.
Error publicError(const RunError &error);

// Inside a handler: the RunError being handled, or the one of a lack of
// memory; anything else goes on. The one place that names the two types in a
// handler, so that the library holds one reference to each type's identity.
RunError currentRunError();

// Calls `step`; a RunError or a lack of memory leaves it as an Error.
template <typename Step>
auto asPublicErrors(Step step) -> decltype(step()) {
    try {
        return step();
    } catch (...) {
        throw publicError(currentRunError());
    }
}

}  // namespace romcast
