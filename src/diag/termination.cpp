#include "diag/termination.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "driver/runSettings.h"

namespace {

// The file whose close failed: an output among them is still deleted by the
// clean-up, although its stream is already gone.
const char *closeFailedName = nullptr;

// Prints a message text with each "%s" replaced by the next argument; a text
// without placeholders ignores its arguments. No other conversion is honoured,
// so a '%' in an argument is printed as it stands.
void printMessage(const char *text, const char *argument, const char *second) {
    const char *args[2] = {argument, second};
    int used = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char *value = used < 2 ? args[used] : nullptr;
            ++used;
            if (value != nullptr) std::fputs(value, stdout);
            ++p;
        } else {
            std::putchar(*p);
        }
    }
}

}  // namespace

void closeOrFail(const char *name, std::FILE *&stream) {
    if (stream == nullptr) return;
    std::FILE *closing = stream;
    stream = nullptr;  // closed at most once, even when the close fails
    if (std::fclose(closing) != 0) {
        closeFailedName = name;
        fatalError(err::cantClose, name);
    }
}

void discardOutput(std::FILE *&stream, const char *name) {
    if (stream == nullptr) {
        if (name != nullptr && name == closeFailedName) std::remove(name);
        return;
    }
    std::fclose(stream);
    stream = nullptr;
    std::remove(name);
}

void fatalError(int code, const char *argument, const char *second) {
    closeOrFail(settings.inputName, settings.inputFile);
    if (!hasFlag(flag::dualArea)) {
        discardOutput(settings.outputFile, settings.outputFileName);
    } else {
        discardOutput(settings.codeOutputFile, settings.codeOutputName);
        discardOutput(settings.romdataOutputFile, settings.romdataOutputName);
    }
    if (hasFlag(flag::debugListing)) discardOutput(settings.debugFile, settings.debugName);
    // The ID report, once created, stays on disk (empty) after an error.
    if (!hasFlag(flag::bannerShown)) showBanner();

    const ErrorMessage *message = findError(code);
    int status = message != nullptr ? message->exitStatus : 2;
    if (code == err::usage) {
        printMessage(message->text, argument, nullptr);
    } else if (message != nullptr && message->text != nullptr) {
        std::fputs(errorPrefix, stdout);
        printMessage(message->text, argument, second);
    }
    std::fflush(stdout);
    std::exit(status);
}

void warn(int code, const char *argument) {
    const char *text = findWarning(code);
    if (text == nullptr) return;
    std::fputs(warningPrefix, stdout);
    printMessage(text, argument, nullptr);
}

void closeAllFiles() {
    closeOrFail(settings.inputName, settings.inputFile);
    if (!hasFlag(flag::dualArea)) {
        closeOrFail(settings.outputFileName, settings.outputFile);
    } else {
        closeOrFail(settings.codeOutputName, settings.codeOutputFile);
        closeOrFail(settings.romdataOutputName, settings.romdataOutputFile);
    }
    if (hasFlag(flag::debugListing)) closeOrFail(settings.debugName, settings.debugFile);
    if (hasFlag(flag::idCode)) closeOrFail(settings.idReportName, settings.idReportFile);
}
