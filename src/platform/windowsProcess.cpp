// The process start on Windows: the arguments come from the wide command line,
// and the console stream is put in binary mode.
// windows.h before shellapi.h, which builds on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "platform/process.h"
#include "platform/windowsNames.h"

namespace platform {

void openStandardStreams() {
    // Outputs are written through handles of their own, never through these
    // descriptors; still, a stream with no handle behind it writes into the
    // null device rather than into whatever the number may come to mean.
    std::FILE *const streams[] = {stdin, stdout, stderr};
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        // -1: no handle; -2: the process was started without one.
        if (_get_osfhandle(descriptor) >= 0) continue;
        std::freopen("NUL", descriptor == 0 ? "r" : "w", streams[descriptor]);
    }
}

std::vector<std::string> commandLineArguments(int argc, char **argv) {
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    // Without the wide command line, the narrow one is all there is.
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(narrow(wide[i]));
    LocalFree(wide);
    return args;
}

void writeConsoleUnchanged(std::FILE *console) { _setmode(_fileno(console), _O_BINARY); }

bool isTerminal(std::FILE *stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace platform
