#include "diag/interrupt.h"

#include "core/conversion.h"
#include "diag/messages.h"
#include "diag/termination.h"

void checkInterrupt(Conversion &conv) {
    if (conv.cancel.raised()) fatalError(err::interrupted);
}
