// Every message of the program's table, error and warning, stands in the
// manual page's DIAGNOSTICS, its "%s" parts filled by whatever the page
// names there: a message added to the program and not to the manual fails.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/messages.h"

namespace {

// A font macro's arguments joined, quoted ones without their quotes, and the
// escape for a dash made plain: ".B" and ".I" put a space between them, the
// macros that alternate fonts (".BI", ".BR") none.
std::string joinedArguments(const std::string &line) {
    const bool spaced = line.rfind(".B ", 0) == 0 || line.rfind(".I ", 0) == 0;
    std::string text;
    std::size_t at = line.find(' ');
    while (at != std::string::npos && at < line.size()) {
        at = line.find_first_not_of(' ', at);
        if (at == std::string::npos) break;
        const bool quoted = line[at] == '"';
        const std::size_t end = quoted ? line.find('"', at + 1) : line.find(' ', at);
        if (spaced && !text.empty()) text += ' ';
        text += line.substr(at + (quoted ? 1 : 0), (end == std::string::npos ? line.size() : end) - at - (quoted ? 1 : 0));
        at = end == std::string::npos ? end : end + (quoted ? 1 : 0);
    }
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\\' || i + 1 == text.size() || text[i + 1] != '-') plain += text[i];
    return plain;
}

// The DIAGNOSTICS section as text: each font macro line's arguments joined
// (".BI "Can't open file '" name "'"" gives "Can't open file 'name'"), the
// escapes for a dash and quotes made plain.
std::vector<std::string> diagnosticsLines() {
    std::ifstream page(std::string(ROMCAST_SOURCE_DIR) + "/docs/romcast.1");
    std::vector<std::string> lines;
    bool inSection = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH", 0) == 0) inSection = line == ".SH DIAGNOSTICS";
        if (!inSection || line.rfind(".TP", 0) == 0 || line.rfind(".TQ", 0) == 0) continue;
        const std::string text = line[0] == '.' ? joinedArguments(line) : line;
        lines.push_back(text);
    }
    return lines;
}

// Whether a line holds the message's fixed parts in order.
bool stands(const std::string &message, const std::vector<std::string> &lines) {
    std::vector<std::string> parts;
    std::string text = message.substr(0, message.find_last_not_of(" \n") + 1);
    for (std::size_t at; (at = text.find("%s")) != std::string::npos; text.erase(0, at + 2)) parts.push_back(text.substr(0, at));
    parts.push_back(text);
    for (const std::string &line : lines) {
        std::size_t from = 0;
        bool all = true;
        for (const std::string &part : parts) {
            const std::size_t found = line.find(part, from);
            if (found == std::string::npos) {
                all = false;
                break;
            }
            from = found + part.size();
        }
        if (all) return true;
    }
    return false;
}

TEST(Manual, EveryMessageStandsInDiagnostics) {
    const std::vector<std::string> lines = diagnosticsLines();
    int messages = 0;
    for (int code = 0; code < 200; ++code) {
        if (const ErrorMessage *error = findError(code); error != nullptr && error->text != nullptr) {
            EXPECT_TRUE(stands(error->text, lines)) << error->text;
            ++messages;
        }
        if (const char *warning = findWarning(code)) {
            EXPECT_TRUE(stands(warning, lines)) << warning;
            ++messages;
        }
    }
    EXPECT_GE(messages, 30);
}

}  // namespace
