#include "common/runError.h"

#include <cstring>
#include <string>

#include "common/messages.h"

namespace {

// `prefix`, then a message text with each "%s" replaced by the next argument;
// a text without placeholders ignores its arguments. No other conversion is
// honoured, so a '%' in an argument stands as it is. The line is built in
// memory taken once: warnings may come once for every unit of a module.
std::string fillMessage(const char *prefix, const char *text, const char *argument, const char *second) {
    const char *args[2] = {argument, second};
    std::size_t length = std::strlen(prefix) + std::strlen(text);
    for (const char *value : args) length += value != nullptr ? std::strlen(value) : 0;
    std::string out;
    out.reserve(length);
    out += prefix;
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
    throw describeError(code, argument, second);
}

RunError describeError(int code, const char *argument, const char *second) {
    const ErrorMessage *message = findError(code);
    RunError error{code, message != nullptr ? message->exitStatus : 2, ""};
    if (message == nullptr || message->text == nullptr) return error;
    // The usage line stands alone, without the prefix.
    if (code == err::usage)
        error.message = fillMessage("", message->text, argument, nullptr);
    else
        error.message = fillMessage(errorPrefix, message->text, argument, second);
    return error;
}

std::string warningLine(int code, const char *argument) {
    const char *text = findWarning(code);
    if (text == nullptr) return {};
    return fillMessage(warningPrefix, text, argument, nullptr);
}


RunError outOfMemory() { return describeError(err::noMemory, nullptr, nullptr); }
