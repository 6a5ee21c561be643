// romcast: converts an absolute IEEE 695 load module into S-records, Intel HEX or
// a raw binary image.
#include <cstdio>

#include "diag/interrupt.h"
#include "driver/runSequence.h"

int main(int argc, char **argv) {
    // Before anything else, so that an interrupt at any moment cleans up.
    installInterruptHandler();
    return runConversion(argc, argv, stdout, CancelFlags{interruptFlag(), nullptr});
}
