#include "core/conversion.h"
#include "diag/termination.h"

#include <cstdio>
#include <string>

#include "diag/console.h"
#include "diag/interrupt.h"
#include "diag/messages.h"
#include "driver/runSettings.h"

namespace {

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

void fatalError(int code, const char *argument, const char *second) {
    throw RunError{code, argument != nullptr ? argument : "", second != nullptr ? second : ""};
}

int finishFailedRun(Conversion &conv, RunError error) {
    // A failed close of the input is reported in place of the error that was
    // being reported; the clean-up goes on with the outputs.
    if (conv.settings.inputFile != nullptr && std::fclose(conv.settings.inputFile) != 0)
        error = RunError{err::cantClose, conv.settings.inputName, ""};
    conv.settings.inputFile = nullptr;
    // Every output the run created goes; the ID report, once created, stays.
    conv.outputs.rollback();
    if (!conv.settings.has(flag::bannerShown)) showBanner(conv);

    std::fputs(errorText(error).c_str(), conv.console);
    std::fflush(conv.console);
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
