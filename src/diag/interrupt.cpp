#include "diag/interrupt.h"

#include "diag/messages.h"
#include "diag/termination.h"

void stopForInterrupt() { fatalError(err::interrupted); }
