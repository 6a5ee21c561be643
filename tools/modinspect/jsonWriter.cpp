#include "jsonWriter.h"

#include <cstdio>

namespace modinspect {

void JsonWriter::member(std::string_view key) {
    if (!indent_.empty() || !text_.empty()) {
        text_ += first_ ? "\n" : ",\n";
        text_ += indent_;
    }
    first_ = false;
    if (!key.empty()) {
        quote(key);
        text_ += ": ";
    }
}

// Control characters and bytes of module texts that are not UTF-8 as \u escapes
// of their byte values: every byte of a name survives, and the document stays valid.
void JsonWriter::quote(std::string_view text) {
    text_ += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            text_ += escape;
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

void JsonWriter::beginObject(std::string_view key) { open(key, '{'); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray(std::string_view key) { open(key, '['); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::open(std::string_view key, char bracket) {
    member(key);
    text_ += bracket;
    indent_ += "  ";
    first_ = true;
}

void JsonWriter::close(char bracket) {
    indent_.resize(indent_.size() - 2);
    if (!first_) text_ += "\n" + indent_;
    text_ += bracket;
    first_ = false;
}

void JsonWriter::string(std::string_view key, std::string_view value) {
    member(key);
    quote(value);
}

void JsonWriter::number(std::string_view key, std::uint64_t value) {
    member(key);
    text_ += std::to_string(value);
}

void JsonWriter::number(std::string_view key, std::optional<std::uint64_t> value) {
    if (value) {
        number(key, *value);
    } else {
        null(key);
    }
}

void JsonWriter::boolean(std::string_view key, bool value) {
    member(key);
    text_ += value ? "true" : "false";
}

void JsonWriter::null(std::string_view key) {
    member(key);
    text_ += "null";
}

}  // namespace modinspect
