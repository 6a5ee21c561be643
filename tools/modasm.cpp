// modasm: assembles the readable module text of tools/README.md into the bytes
// of a load module. It is a test tool and deliberately shares no code with the
// converter beyond the module format's own definition (src/format/), so that a
// misreading of a record cannot hide on both sides.
//
//   modasm in.txt out.tqx      ("-" reads standard input / writes standard output)
//
// On bad input it names the line, writes nothing and ends with status 1.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "common/hexText.h"
#include "module/moduleFormat.h"

namespace {

namespace format = moduleFormat;
constexpr std::size_t maxNameLength = 0xFFFF;
constexpr std::size_t maxRepeat = 1 << 20;

// A label use: the four offset bytes at `position` are patched once every label
// is known. Label values are always written as 0x84 and four bytes, so the size
// of a line never depends on a label and the offsets of the first pass hold.
struct LabelUse {
    std::size_t position;
    std::string label;
    int line;
};

struct Assembly {
    const char *sourceName;
    int line;
    std::vector<std::uint8_t> bytes;
    std::map<std::string, std::size_t> labels;
    std::vector<LabelUse> uses;
};

[[noreturn]] void failAt(const Assembly &as, const std::string &why) {
    std::fprintf(stderr, "modasm: %s:%d: %s\n", as.sourceName, as.line, why.c_str());
    std::exit(1);
}

[[noreturn]] void failPlain(const std::string &why) {
    std::fprintf(stderr, "modasm: %s\n", why.c_str());
    std::exit(1);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool isLabelChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '.';
}

// Decimal, or hexadecimal after "0x"; false on anything else or above 64 bits.
bool parseUnsigned(const std::string &text, std::uint64_t &value) {
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        int digit = hexDigitValue(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        if (value > (UINT64_MAX - static_cast<unsigned>(digit)) / base) return false;
        value = value * base + static_cast<unsigned>(digit);
    }
    return true;
}

int bytesNeeded(std::uint64_t value) {
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0) ++n;
    return n;
}

// `12`, `0x7B`, `0x10:4`.
void putNumber(Assembly &as, const std::string &field) {
    std::size_t colon = field.find(':');
    std::uint64_t value = 0;
    if (!parseUnsigned(field.substr(0, colon), value))
        failAt(as, "bad number '" + field + "' (decimal, or hexadecimal with 0x)");
    if (colon == std::string::npos) {
        format::appendNumber(as.bytes, value);
        return;
    }
    std::uint64_t width = 0;
    if (!parseUnsigned(field.substr(colon + 1), width) || width < 1 || width > 8)
        failAt(as, "bad width in '" + field + "' (value:n with n from 1 to 8)");
    if (bytesNeeded(value) > static_cast<int>(width))
        failAt(as, "'" + field + "' does not fit in " + std::to_string(width) + " bytes");
    format::appendNumber(as.bytes, value, static_cast<int>(width));
}

// `"text"` and `"text"*count`, with the escapes \" \\ \xHH.
void putName(Assembly &as, const std::string &field) {
    std::string text;
    std::size_t i = 1;
    for (; i < field.size() && field[i] != '"'; ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        ++i;
        if (i < field.size() && (field[i] == '"' || field[i] == '\\')) {
            text += field[i];
        } else if (i + 2 < field.size() && field[i] == 'x' && hexDigitValue(field[i + 1]) >= 0 &&
                   hexDigitValue(field[i + 2]) >= 0) {
            text += static_cast<char>(hexDigitValue(field[i + 1]) * 16 + hexDigitValue(field[i + 2]));
            i += 2;
        } else {
            failAt(as, "bad escape in " + field + " (only \\\", \\\\ and \\xHH)");
        }
    }
    if (i >= field.size()) failAt(as, "unterminated name " + field);
    std::string rest = field.substr(i + 1);
    if (!rest.empty()) {
        std::uint64_t count = 0;
        if (rest[0] != '*' || !parseUnsigned(rest.substr(1), count) || count > maxRepeat)
            failAt(as, "bad repetition after name: '" + rest + "' (write \"text\"*count)");
        std::string repeated;
        for (std::uint64_t k = 0; k < count; ++k) repeated += text;
        text = repeated;
    }
    if (text.size() > maxNameLength) failAt(as, "name longer than 65535 bytes");
    format::appendName(as.bytes, text);
}

// `@AP`: one letter byte each; `@@` is the letter byte 0xC0.
void putLetters(Assembly &as, const std::string &field) {
    if (field.size() < 2) failAt(as, "'@' needs letters after it, as in @AP");
    for (std::size_t i = 1; i < field.size(); ++i) {
        char c = field[i];
        if (c >= '@' && c <= 'X') {
            as.bytes.push_back(static_cast<std::uint8_t>(format::letterCode(c)));
        } else {
            failAt(as, std::string("letter '") + c + "' in " + field + " is not one of @ A..X");
        }
    }
}

// Hexadecimal digit pairs, as in `E2 D7` or `E2D7`; `AB*3` repeats a group.
void putHexGroup(Assembly &as, const std::string &group, std::vector<std::uint8_t> &out) {
    std::size_t star = group.find('*');
    std::string digits = group.substr(0, star);
    if (digits.empty() || digits.size() % 2 != 0)
        failAt(as, "'" + group + "' is not a run of hexadecimal digit pairs");
    std::vector<std::uint8_t> run;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        int high = hexDigitValue(digits[i]);
        int low = hexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0) failAt(as, "'" + group + "' is not a run of hexadecimal digit pairs");
        run.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    std::uint64_t count = 1;
    if (star != std::string::npos &&
        (!parseUnsigned(group.substr(star + 1), count) || count > maxRepeat))
        failAt(as, "bad repetition in '" + group + "' (write FF*16)");
    for (std::uint64_t k = 0; k < count; ++k) out.insert(out.end(), run.begin(), run.end());
}

// `<E2 D7 01>`: verbatim bytes.
void putVerbatim(Assembly &as, const std::string &field) {
    if (field.size() < 2 || field.back() != '>') failAt(as, "unterminated " + field);
    std::string inner = field.substr(1, field.size() - 2);
    std::size_t i = 0;
    while (i < inner.size()) {
        if (isBlank(inner[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < inner.size() && !isBlank(inner[end])) ++end;
        putHexGroup(as, inner.substr(i, end - i), as.bytes);
        i = end;
    }
}

void putLabelUse(Assembly &as, const std::string &field) {
    std::string label = field.substr(1);
    if (label.empty()) failAt(as, "'$' needs a label name");
    for (char c : label)
        if (!isLabelChar(c)) failAt(as, "bad label name '" + label + "'");
    as.bytes.push_back(format::omittedField + 4);
    as.uses.push_back({as.bytes.size(), label, as.line});
    as.bytes.insert(as.bytes.end(), 4, 0);
}

void putField(Assembly &as, const std::string &field) {
    char first = field[0];
    if (field == "-") {
        as.bytes.push_back(format::omittedField);
    } else if (field == ",") {
        as.bytes.push_back(format::comma);
    } else if (first == '"') {
        putName(as, field);
    } else if (first == '@') {
        putLetters(as, field);
    } else if (first == '<') {
        putVerbatim(as, field);
    } else if (first == '$') {
        putLabelUse(as, field);
    } else if (first >= '0' && first <= '9') {
        putNumber(as, field);
    } else {
        failAt(as, "unknown field '" + field + "'");
    }
}

// Splits a line into fields at blanks; a name in quotes and a verbatim group in
// angle brackets are one field each, blanks included. `#` outside them starts a
// comment.
std::vector<std::string> splitFields(Assembly &as, const std::string &line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        std::size_t start = i;
        if (line[i] == '<') {
            while (i < line.size() && line[i] != '>') ++i;
            if (i == line.size()) failAt(as, "missing '>'");
            ++i;
        } else if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
            if (i >= line.size()) failAt(as, "missing closing '\"'");
            ++i;
        }
        while (i < line.size() && !isBlank(line[i])) ++i;
        fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

void assembleLoad(Assembly &as, const std::vector<std::string> &fields) {
    std::vector<std::uint8_t> data;
    for (std::size_t k = 1; k < fields.size(); ++k) putHexGroup(as, fields[k], data);
    if (data.size() > format::maxLoadBytes)
        failAt(as, "LD holds " + std::to_string(data.size()) +
                       " bytes, at most 255 (split it, or write the record with RAW)");
    format::appendType(as.bytes, format::rec::LD);
    as.bytes.push_back(static_cast<std::uint8_t>(data.size()));
    as.bytes.insert(as.bytes.end(), data.begin(), data.end());
}

void assembleLine(Assembly &as, const std::string &line) {
    std::vector<std::string> fields = splitFields(as, line);
    if (fields.empty()) return;
    const std::string &head = fields[0];
    if (head[0] == '$' && head.back() == ':') {
        std::string label = head.substr(1, head.size() - 2);
        if (fields.size() != 1) failAt(as, "a label definition stands alone on its line");
        if (label.empty()) failAt(as, "'$:' needs a label name");
        for (char c : label)
            if (!isLabelChar(c)) failAt(as, "bad label name '" + label + "'");
        if (!as.labels.emplace(label, as.bytes.size()).second)
            failAt(as, "label '" + label + "' defined twice");
        return;
    }
    if (head == "LD") {
        assembleLoad(as, fields);
        return;
    }
    // RAW writes no type bytes, only its fields.
    if (head == "RAW") {
        for (std::size_t k = 1; k < fields.size(); ++k) putField(as, fields[k]);
        return;
    }
    for (const format::RecordName &record : format::recordNames) {
        if (head != record.mnemonic) continue;
        format::appendType(as.bytes, record.type);
        for (std::size_t k = 1; k < fields.size(); ++k) putField(as, fields[k]);
        return;
    }
    failAt(as, "unknown mnemonic '" + head + "'");
}

void patchLabels(Assembly &as) {
    for (const LabelUse &use : as.uses) {
        auto found = as.labels.find(use.label);
        if (found == as.labels.end()) {
            as.line = use.line;
            failAt(as, "label '" + use.label + "' is not defined");
        }
        std::uint32_t offset = static_cast<std::uint32_t>(found->second);
        for (int i = 0; i < 4; ++i)
            as.bytes[use.position + i] = static_cast<std::uint8_t>(offset >> (8 * (3 - i)));
    }
}

// The whole text; a read error (a directory named as the input) is no text.
std::string readAll(std::FILE *in, const char *name) {
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    if (std::ferror(in) != 0) failPlain(std::string("can't read '") + name + "'");
    return text;
}

}  // namespace

int assemble(int argc, char **argv) {
    if (argc != 3) failPlain("usage: modasm in.txt out.tqx   (\"-\" for standard input/output)");
    const bool fromStdin = std::strcmp(argv[1], "-") == 0;
    std::FILE *in = fromStdin ? stdin : std::fopen(argv[1], "rb");
    if (in == nullptr) failPlain(std::string("can't open '") + argv[1] + "'");
    std::string source = readAll(in, argv[1]);
    if (!fromStdin) std::fclose(in);

    Assembly as{fromStdin ? "<stdin>" : argv[1], 0, {}, {}, {}};
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string::npos) end = source.size();
        ++as.line;
        assembleLine(as, source.substr(start, end - start));
        start = end + 1;
    }
    patchLabels(as);

    // Written only once everything assembled, so a bad line leaves no output.
    const bool toStdout = std::strcmp(argv[2], "-") == 0;
    std::FILE *out = toStdout ? stdout : std::fopen(argv[2], "wb");
    if (out == nullptr) failPlain(std::string("can't create '") + argv[2] + "'");
    bool written = std::fwrite(as.bytes.data(), 1, as.bytes.size(), out) == as.bytes.size();
    written = (toStdout ? std::fflush(out) : std::fclose(out)) == 0 && written;
    if (!written) failPlain(std::string("can't write '") + argv[2] + "'");
    return 0;
}

// An endless input (a device, a FIFO) or a module too big for memory ends
// like a bad line: a message and status 1, nothing written.
int main(int argc, char **argv) {
    try {
        return assemble(argc, argv);
    } catch (const std::bad_alloc &) {
        failPlain("not enough memory");
    }
}
