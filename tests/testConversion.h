// The conversion that unit tests drive the core's steps with. A test sets the
// fields it needs; initRunSettings and initSecurityDefaults give the start values.
#pragma once

#include <cstdio>

#include "run/conversion.h"

inline Conversion conv{stdout, false, CancelFlags{}};
