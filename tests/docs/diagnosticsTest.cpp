// Every message of the program's table, error and warning, stands in the
// manual page's DIAGNOSTICS, its "%s" parts filled by whatever the page
// names there: a message added to the program and not to the manual fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "common/messages.h"

namespace {

// The DIAGNOSTICS section as one text: a font macro's arguments without their
// quotes, joined as the macro prints them (".B" with spaces, the macros that
// alternate fonts, ".BI", without), "\-" a plain dash, one line a line.
std::string diagnostics() {
    std::ifstream page(std::string(ROMCAST_SOURCE_DIR) + "/docs/romcast.1");
    std::string text;
    bool inSection = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH", 0) == 0) inSection = line == ".SH DIAGNOSTICS";
        if (!inSection || line.empty()) continue;
        const bool macro = line[0] == '.';
        const bool spaced = line.rfind(".B ", 0) == 0 || line.rfind(".I ", 0) == 0;
        bool quoted = false;
        for (std::size_t i = macro ? line.find(' ') : 0; i < line.size(); ++i) {
            if (macro && line[i] == '"') quoted = !quoted;
            if (macro && (line[i] == '"' || (line[i] == ' ' && !spaced && !quoted))) continue;
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '-') continue;
            text += line[i];
        }
        text += '\n';
    }
    return text;
}

// Whether one line of `text` holds the message's fixed parts in order.
bool stands(std::string message, const std::string &text) {
    message.erase(message.find_last_not_of(" \n") + 1);
    for (std::size_t line = 0; line < text.size(); line = text.find('\n', line) + 1) {
        const std::size_t end = text.find('\n', line);
        std::size_t from = line, part = 0;
        for (std::size_t next; from != std::string::npos && part <= message.size(); part = next + 2) {
            next = std::min(message.find("%s", part), message.size());
            from = text.find(message.substr(part, next - part), from);
            if (from != std::string::npos) from += next - part;
        }
        if (from != std::string::npos && from <= end) return true;
    }
    return false;
}

TEST(Manual, EveryMessageStandsInDiagnostics) {
    const std::string text = diagnostics();
    int messages = 0;
    for (int code = 0; code < 200; ++code) {
        if (const ErrorMessage *error = findError(code); error != nullptr && error->text != nullptr) {
            EXPECT_TRUE(stands(error->text, text)) << error->text;
            ++messages;
        }
        if (const char *warning = findWarning(code)) {
            EXPECT_TRUE(stands(warning, text)) << warning;
            ++messages;
        }
    }
    EXPECT_GE(messages, 30);
}

}  // namespace
