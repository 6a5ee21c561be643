// A small JSON writer for the reports of "--json": one document, built up in a
// string, keys in the order they are written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace modinspect {

class JsonWriter {
public:
    // Objects and arrays; `key` is the member's name inside an object, empty inside an array.
    void beginObject(std::string_view key = {});
    void endObject();
    void beginArray(std::string_view key = {});
    void endArray();

    void string(std::string_view key, std::string_view value);
    void number(std::string_view key, std::uint64_t value);
    void number(std::string_view key, std::optional<std::uint64_t> value);  // null when none
    void boolean(std::string_view key, bool value);
    void null(std::string_view key);

    // The document with a newline after it.
    std::string text() const { return text_ + "\n"; }

private:
    void member(std::string_view key);
    void open(std::string_view key, char bracket);
    void close(char bracket);
    void quote(std::string_view text);

    std::string text_;
    std::string indent_;
    bool first_ = true;  // nothing written yet in the innermost object or array
};

}  // namespace modinspect
