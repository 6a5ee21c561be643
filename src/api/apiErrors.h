// The library's boundary: a run's error as the public Error.
#pragma once

#include <romcast/romcast.h>

#include "common/runError.h"

namespace romcast {

// The Error of a run's RunError: its message line without the newline.
Error publicError(const RunError &error);

// Calls `step`; a RunError or a lack of memory leaves it as an Error.
template <typename Step>
auto asPublicErrors(Step step) -> decltype(step()) {
    try {
        return step();
    } catch (const RunError &error) {
        throw publicError(error);
    } catch (const std::bad_alloc &) {
        throw publicError(outOfMemory());
    }
}

}  // namespace romcast
