#include "module/malformedModule.h"

#include "common/messages.h"
#include "common/runError.h"

void rejectModule(const char *inputName) { throw describeError(err::illegalFormat, inputName, nullptr); }
