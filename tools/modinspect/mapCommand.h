// `modinspect --map FILE.html [romcast's conversion options] MODULE`: writes
// the memory map of the conversion those options ask for.
#pragma once

namespace modinspect {

// argv[0] is the program, argv[1] "--map". Returns the exit status: 0 with the
// page written, the converter's status when it refuses the conversion (the page
// then says why), 2 when the module cannot be read or the page not written,
// and the command line's status for options romcast refuses.
int writeMap(int argc, char **argv);

}  // namespace modinspect
