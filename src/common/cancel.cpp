#include "common/cancel.h"

#include "common/messages.h"
#include "common/runError.h"

void stopForInterrupt() { fatalError(err::interrupted); }
