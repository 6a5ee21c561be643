#include "driver/options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"

namespace {
const char programName[] = "romcast";
}  // namespace

int compareNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int ca = std::toupper(static_cast<unsigned char>(*a));
        int cb = std::toupper(static_cast<unsigned char>(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == '\0') return 0;
    }
}

void parseOptions(int argc, char **argv) {
    // Before the option loop: no argument, a lone "-v", a lone option.
    if (argc < 2) {
        showBanner();
        fatalError(err::usage, programName);
    }
    if (argc == 2) {
        if (compareNoCase(argv[1], "-v") == 0) {
            showShortBanner();
            std::exit(0);
        }
        if (argv[1][0] == '-') {
            showBanner();
            fatalError(err::usage, programName);
        }
    }
    showBanner();
    fatalError(err::usage, programName);
}
