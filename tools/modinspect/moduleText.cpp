#include "moduleText.h"

#include <cstdio>
#include <map>

namespace modinspect {

std::string hexAddress(std::uint64_t address) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%06llX", static_cast<unsigned long long>(address));
    return buffer;
}

namespace {

std::string hexNumber(std::uint64_t value, int digits) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buffer;
}

// Hexadecimal byte pairs; a run of 8 or more equal bytes as `FF*16`.
std::string hexBytes(const Bytes &bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i]) ++run;
        char buffer[32];
        if (run >= 8) {
            std::snprintf(buffer, sizeof buffer, "%02X*%zu", bytes[i], run);
        } else {
            std::snprintf(buffer, sizeof buffer, "%02X", bytes[i]);
            run = 1;
        }
        if (!out.empty()) out += ' ';
        out += buffer;
        i += run;
    }
    return out;
}


}  // namespace

std::string quoteName(const std::string &text) {
    // A long run of one character reads better as "a"*300.
    if (text.size() >= 16 && text.find_first_not_of(text[0]) == std::string::npos)
        return quoteName(text.substr(0, 1)) + "*" + std::to_string(text.size());
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out + "\"";
}
namespace {

std::string formatItem(const Item &item) {
    switch (item.kind) {
        case ItemKind::number:
            if (item.width != 0) return hexNumber(item.value, 2 * item.width) + ":" + std::to_string(item.width);
            if (item.value < 0x80) return std::to_string(item.value);
            return hexNumber(item.value, 2 * bytesNeeded(item.value));
        case ItemKind::name:
            return quoteName(item.text);
        case ItemKind::letters:
            return std::string(1, '@').append(item.text);
        case ItemKind::omitted:
            return "-";
        case ItemKind::comma:
            return ",";
        case ItemKind::verbatim:
            return std::string(1, '<').append(hexBytes(item.bytes)).append(1, '>');
        case ItemKind::loadData:
            return hexBytes(item.bytes);
    }
    return "";
}

}  // namespace

const char *partName(std::uint64_t index) {
    switch (index) {
        case 1: return "environment part";
        case 2: return "section part";
        case 5: return "data part";
        case 6: return "trailer part";
        default: return "part";
    }
}

// The index and offset of an ASW record whose two fields are plain numbers.
bool aswFields(const Record &r, std::uint64_t &index, std::uint64_t &offset) {
    if (r.type != rec::ASW || r.items.size() < 2) return false;
    if (r.items[0].kind != ItemKind::number || r.items[1].kind != ItemKind::number) return false;
    index = r.items[0].value;
    offset = r.items[1].value;
    return true;
}

void printText(const std::vector<Record> &records) {
    // Part offsets become comments before the record they point at.
    std::multimap<std::uint64_t, std::uint64_t> parts;  // offset -> ASW index
    for (const Record &r : records) {
        std::uint64_t index, offset;
        if (aswFields(r, index, offset)) parts.emplace(offset, index);
    }
    auto partComments = [&](std::size_t from, std::size_t to) {
        for (auto it = parts.lower_bound(from); it != parts.end() && it->first < to; ++it) {
            std::printf("# %s (ASW %llu) at 0x%llX%s\n", partName(it->second),
                        static_cast<unsigned long long>(it->second),
                        static_cast<unsigned long long>(it->first),
                        it->first == from ? "" : ", inside the next record");
        }
    };
    for (std::size_t k = 0; k < records.size(); ++k) {
        const Record &r = records[k];
        partComments(r.offset, k + 1 < records.size() ? records[k + 1].offset : r.offset + 1);
        std::string line = r.mnemonic;
        for (const Item &item : r.items) {
            const std::string field = formatItem(item);
            if (!field.empty()) line += " " + field;
        }
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace modinspect
