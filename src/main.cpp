// romcast: converts an absolute IEEE 695 load module into S-records, Intel HEX or
// a raw binary image.
#include "driver/runSequence.h"

int main(int argc, char **argv) { return runConversion(argc, argv); }
