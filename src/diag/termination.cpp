#include "diag/termination.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "diag/console.h"
#include "diag/interrupt.h"
#include "diag/messages.h"
#include "driver/runSettings.h"

namespace {

// The file whose close failed: an output among them is still deleted by the
// clean-up, although its stream is already gone.
const char *closeFailedName = nullptr;

// Outputs under their temporary names: the main output or the two area files,
// and the listing. They keep their entry until the run ends, so that the error
// path also finds an output already closed or already renamed.
struct PendingOutput {
    const char *finalName;
    std::string temporaryName;  // empty: written in place
    std::string target;         // the file renamed onto: finalName, or the file a link leads to
};
constexpr int maxPendingOutputs = 4;
PendingOutput pendingOutputs[maxPendingOutputs];
int pendingCount = 0;

PendingOutput *findPending(const char *finalName) {
    for (int i = 0; i < pendingCount; ++i)
        if (std::strcmp(pendingOutputs[i].finalName, finalName) == 0) return &pendingOutputs[i];
    return nullptr;
}

// Whatever the file holds must be on the disk before its name is given to it,
// so that the rename never publishes an image whose bytes a crash could lose.
bool flushToDisk(std::FILE *stream) {
    return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

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
    const PendingOutput *pending = findPending(name);
    const bool flushed = pending == nullptr || pending->temporaryName.empty() || flushToDisk(closing);
    if (std::fclose(closing) != 0 || !flushed) {
        closeFailedName = name;
        fatalError(err::cantClose, name);
    }
}

void discardOutput(std::FILE *&stream, const char *name) {
    const bool wasOpen = stream != nullptr;
    if (wasOpen) {
        std::fclose(stream);
        stream = nullptr;
    }
    const PendingOutput *pending = findPending(name);
    if (pending != nullptr) {
        if (pending->temporaryName.empty()) return;  // a device stays
        unlink(pending->temporaryName.c_str());
    }
    // The final name goes too: after a failed run no image of that name may
    // exist, neither an older one nor one renamed into place just before.
    // unlink and not remove: a directory of that name is never ours to delete.
    if (wasOpen || pending != nullptr || name == closeFailedName)
        unlink(pending != nullptr ? pending->target.c_str() : name);
}

void notePendingOutput(const char *finalName, const char *temporaryName, const char *target) {
    if (pendingCount == maxPendingOutputs) {
        if (temporaryName != nullptr) unlink(temporaryName);
        fatalError(err::cantCreate, finalName);
    }
    PendingOutput &entry = pendingOutputs[pendingCount++];
    entry.finalName = finalName;
    entry.temporaryName = temporaryName != nullptr ? temporaryName : "";
    entry.target = target != nullptr ? target : finalName;
}

void fatalError(int code, const char *argument, const char *second) {
    closeOrFail(settings.inputName, settings.inputFile);
    if (!hasFlag(flag::dualArea)) {
        discardOutput(settings.outputFile, settings.outputFileName.c_str());
    } else {
        discardOutput(settings.codeOutputFile, settings.codeOutputName.c_str());
        discardOutput(settings.romdataOutputFile, settings.romdataOutputName.c_str());
    }
    if (hasFlag(flag::debugListing)) discardOutput(settings.debugFile, settings.debugName.c_str());
    // Whatever is still under a temporary name is incomplete.
    for (int i = 0; i < pendingCount; ++i)
        if (!pendingOutputs[i].temporaryName.empty()) unlink(pendingOutputs[i].temporaryName.c_str());
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
        closeOrFail(settings.outputFileName.c_str(), settings.outputFile);
    } else {
        closeOrFail(settings.codeOutputName.c_str(), settings.codeOutputFile);
        closeOrFail(settings.romdataOutputName.c_str(), settings.romdataOutputFile);
    }
    if (hasFlag(flag::debugListing)) closeOrFail(settings.debugName.c_str(), settings.debugFile);
    if (hasFlag(flag::idCode)) closeOrFail(settings.idReportName.c_str(), settings.idReportFile);

    // Every file is complete. An interrupt that came while closing still ends
    // the run before any output takes its name.
    checkInterrupt();
    for (int i = 0; i < pendingCount; ++i) {
        const PendingOutput &output = pendingOutputs[i];
        if (!output.temporaryName.empty() && std::rename(output.temporaryName.c_str(), output.target.c_str()) != 0)
            fatalError(err::cantCreate, output.finalName);
    }
    pendingCount = 0;
}
