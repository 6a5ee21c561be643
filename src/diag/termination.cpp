#include "core/conversion.h"
#include "diag/termination.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "diag/console.h"
#include "diag/interrupt.h"
#include "diag/messages.h"
#include "driver/runSettings.h"

namespace {

PendingOutput *findPending(Conversion &conv, const char *finalName) {
    for (int i = 0; i < conv.files.pendingCount; ++i)
        if (std::strcmp(conv.files.pending[i].finalName, finalName) == 0) return &conv.files.pending[i];
    return nullptr;
}

// Whatever the file holds must be on the disk before its name is given to it,
// so that the rename never publishes an image whose bytes a crash could lose.
bool flushToDisk(std::FILE *stream) {
    return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

// A message text with each "%s" replaced by the next argument; a text without
// placeholders ignores its arguments. No other conversion is honoured, so a '%'
// in an argument stands as it is.
std::string fillMessage(const char *text, const char *argument, const char *second) {
    const char *args[2] = {argument, second};
    std::string out;
    int used = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char *value = used < 2 ? args[used] : nullptr;
            ++used;
            if (value != nullptr) out += value;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

void closeOrFail(Conversion &conv, const char *name, std::FILE *&stream) {
    if (stream == nullptr) return;
    std::FILE *closing = stream;
    stream = nullptr;  // closed at most once, even when the close fails
    const PendingOutput *pending = findPending(conv, name);
    const bool flushed = pending == nullptr || pending->temporaryName.empty() || flushToDisk(closing);
    if (std::fclose(closing) != 0 || !flushed) {
        conv.files.closeFailedName = name;
        fatalError(err::cantClose, name);
    }
}

void discardOutput(Conversion &conv, std::FILE *&stream, const char *name) {
    const bool wasOpen = stream != nullptr;
    if (wasOpen) {
        std::fclose(stream);
        stream = nullptr;
    }
    const PendingOutput *pending = findPending(conv, name);
    if (pending != nullptr) {
        if (pending->temporaryName.empty()) return;  // a device stays
        unlink(pending->temporaryName.c_str());
    }
    // The final name goes too: after a failed run no image of that name may
    // exist, neither an older one nor one renamed into place just before.
    // unlink and not remove: a directory of that name is never ours to delete.
    if (wasOpen || pending != nullptr || name == conv.files.closeFailedName)
        unlink(pending != nullptr ? pending->target.c_str() : name);
}

void notePendingOutput(Conversion &conv, const char *finalName, const char *temporaryName, const char *target) {
    if (conv.files.pendingCount == OutputFiles::maxPendingOutputs) {
        if (temporaryName != nullptr) unlink(temporaryName);
        fatalError(err::cantCreate, finalName);
    }
    PendingOutput &entry = conv.files.pending[conv.files.pendingCount++];
    entry.finalName = finalName;
    entry.temporaryName = temporaryName != nullptr ? temporaryName : "";
    entry.target = target != nullptr ? target : finalName;
}

void fatalError(int code, const char *argument, const char *second) {
    throw RunError{code, argument != nullptr ? argument : "", second != nullptr ? second : ""};
}

int finishFailedRun(Conversion &conv, RunError error) {
    // A failed close of the input is reported in place of the error that was
    // being reported; the clean-up goes on with the outputs.
    if (conv.settings.inputFile != nullptr && std::fclose(conv.settings.inputFile) != 0)
        error = RunError{err::cantClose, conv.settings.inputName, ""};
    conv.settings.inputFile = nullptr;
    if (!conv.settings.has(flag::dualArea)) {
        discardOutput(conv, conv.settings.outputFile, conv.settings.outputFileName.c_str());
    } else {
        discardOutput(conv, conv.settings.codeOutputFile, conv.settings.codeOutputName.c_str());
        discardOutput(conv, conv.settings.romdataOutputFile, conv.settings.romdataOutputName.c_str());
    }
    if (conv.settings.has(flag::debugListing)) discardOutput(conv, conv.settings.debugFile, conv.settings.debugName.c_str());
    // Whatever is still under a temporary name is incomplete.
    for (int i = 0; i < conv.files.pendingCount; ++i)
        if (!conv.files.pending[i].temporaryName.empty()) unlink(conv.files.pending[i].temporaryName.c_str());
    // The ID report, once created, stays on disk (empty) after an error.
    if (!conv.settings.has(flag::bannerShown)) showBanner(conv);

    std::fputs(errorText(error).c_str(), conv.console);
    std::fflush(conv.console);
    conv.files.pendingCount = 0;
    conv.files.closeFailedName = nullptr;
    return errorStatus(error);
}

int errorStatus(const RunError &error) {
    const ErrorMessage *message = findError(error.code);
    return message != nullptr ? message->exitStatus : 2;
}

std::string errorText(const RunError &error) {
    const ErrorMessage *message = findError(error.code);
    if (message == nullptr || message->text == nullptr) return "";
    // The usage line stands alone, without the prefix.
    if (error.code == err::usage) return fillMessage(message->text, error.argument.c_str(), nullptr);
    return errorPrefix + fillMessage(message->text, error.argument.c_str(), error.second.c_str());
}

void warn(Conversion &conv, int code, const char *argument) {
    const char *text = findWarning(code);
    if (text == nullptr) return;
    std::fputs((warningPrefix + fillMessage(text, argument, nullptr)).c_str(), conv.console);
}

void closeAllFiles(Conversion &conv) {
    closeOrFail(conv, conv.settings.inputName, conv.settings.inputFile);
    if (!conv.settings.has(flag::dualArea)) {
        closeOrFail(conv, conv.settings.outputFileName.c_str(), conv.settings.outputFile);
    } else {
        closeOrFail(conv, conv.settings.codeOutputName.c_str(), conv.settings.codeOutputFile);
        closeOrFail(conv, conv.settings.romdataOutputName.c_str(), conv.settings.romdataOutputFile);
    }
    if (conv.settings.has(flag::debugListing)) closeOrFail(conv, conv.settings.debugName.c_str(), conv.settings.debugFile);
    if (conv.settings.has(flag::idCode)) closeOrFail(conv, conv.settings.idReportName.c_str(), conv.settings.idReportFile);

    // Every file is complete. An interrupt that came while closing still ends
    // the run before any output takes its name.
    checkInterrupt(conv);
    for (int i = 0; i < conv.files.pendingCount; ++i) {
        const PendingOutput &output = conv.files.pending[i];
        if (!output.temporaryName.empty() && std::rename(output.temporaryName.c_str(), output.target.c_str()) != 0)
            fatalError(err::cantCreate, output.finalName);
    }
    conv.files.pendingCount = 0;
}
