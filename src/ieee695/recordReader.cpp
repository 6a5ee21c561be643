#include "core/conversion.h"
#include "ieee695/recordReader.h"

#include <cstring>

#include "diag/interrupt.h"


namespace {

// Bytes consumed after the log was full. They are counted so that a push-back
// undoes them first and the kept bytes stay exactly those of the record's start.

constexpr int endByte = 0xFF;  // what the log keeps for a read that met end of file

bool isRecordType(int c) { return c >= 0xE0 && c <= 0xFB; }
bool isLongNumber(int c) { return c >= 0x81 && c <= 0x88; }
bool isLetter(int c) { return c >= 0xC0 && c <= 0xD8; }

// Appends what one read gave to the log; end of file is logged as 0xFF.
void logByte(Conversion &conv, int c) {
    if (conv.log.length < recordLogSize) {
        conv.log.bytes[conv.log.length++] = static_cast<std::uint8_t>(c == EOF ? endByte : c);
    } else {
        conv.log.overflowed = true;
        ++conv.droppedBytes;
    }
}

// Reads one byte and appends it to the log.
int consumeByte(Conversion &conv, std::FILE *file) {
    const int c = std::getc(file);
    logByte(conv, c);
    return c;
}

// Hands the last consumed byte back to the stream; end of file cannot go back, but
// its log entry is still taken out.
void pushBack(Conversion &conv, int c, std::FILE *file) {
    if (conv.droppedBytes > 0) {
        --conv.droppedBytes;
    } else if (conv.log.length > 0) {
        --conv.log.length;
    }
    if (c != EOF) std::ungetc(c, file);
}

void resetLog(Conversion &conv, std::FILE *file) {
    conv.log.length = 0;
    conv.log.file = file;
    conv.log.overflowed = false;
    conv.droppedBytes = 0;
}

// Where a capture taken now will begin: the log position if the log is this stream's.
std::int32_t captureStart(Conversion &conv, std::FILE *file) { return conv.log.file == file ? conv.log.length : 0; }

void fillCapture(Conversion &conv, RecordCapture *capture, std::int32_t start) {
    if (capture == nullptr) return;
    const std::int32_t count = conv.log.length > start ? conv.log.length - start : 0;
    if (count > 0) std::memcpy(capture->bytes, conv.log.bytes + start, static_cast<std::size_t>(count));
    capture->length = count;
}

// A counted byte run: the count byte, then that many bytes. The bytes are read
// in one call straight into the log when they fit it; the log then holds what
// reading them one by one would have left: the bytes up to the end of the file
// and, if it came first, one 0xFF for the read that met it.
void consumeLoadBytes(Conversion &conv, std::FILE *file) {
    const int count = consumeByte(conv, file);
    if (count == EOF) return;
    if (conv.log.length + count <= recordLogSize) {
        const std::size_t wanted = static_cast<std::size_t>(count);
        const std::size_t got = std::fread(conv.log.bytes + conv.log.length, 1, wanted, file);
        conv.log.length += static_cast<std::int32_t>(got);
        if (got < wanted) logByte(conv, EOF);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (consumeByte(conv, file) == EOF) return;
    }
}

// A bracket group whose opening byte has been consumed: up to and including `close`.
// The lead byte of a long number takes its number bytes with it, so that they can
// never close the group.
void consumeBracketGroup(Conversion &conv, int close, std::FILE *file) {
    for (;;) {
        const int c = consumeByte(conv, file);
        if (c == EOF || c == close) return;
        if (isLongNumber(c)) {
            pushBack(conv, c, file);
            readNumber(conv, nullptr, file);
        }
    }
}

}  // namespace

std::int32_t readRecordType(Conversion &conv, std::FILE *file) {
    // Every record is a safe point for an interrupt.
    checkInterrupt(conv);
    resetLog(conv, file);
    const int first = consumeByte(conv, file);
    if (first == EOF) return rec::endOfFile;
    if (first == 0xE2 || first == 0xF1 || first == 0xF8) {
        const int second = consumeByte(conv, file);
        return first * 256 + (second == EOF ? -1 : second);
    }
    return first;
}

std::int32_t unreadRecordType(Conversion &conv, std::int32_t type, std::FILE *file) {
    resetLog(conv, file);
    if (type == rec::endOfFile) return type;
    std::fseek(file, type >= 0x100 ? -2L : -1L, SEEK_CUR);
    return type;
}

std::uint32_t readNumber(Conversion &conv, std::uint32_t *out, std::FILE *file) {
    const int lead = consumeByte(conv, file);
    std::uint32_t value = 0;
    if (lead == EOF) {
        value = 0;
    } else if (lead <= 0x80) {
        value = static_cast<std::uint32_t>(lead);
    } else if (isLongNumber(lead)) {
        for (int i = 0; i < lead - 0x80; ++i) {
            const int c = consumeByte(conv, file);
            value = (value << 8) | static_cast<std::uint32_t>(c == EOF ? endByte : c);
        }
    } else if (isRecordType(lead)) {
        pushBack(conv, lead, file);
    }
    if (out != nullptr) *out = value;
    return std::feof(file) ? 0 : value;
}

int readName(Conversion &conv, char *dest, int destSize, std::FILE *file) {
    const int lead = consumeByte(conv, file);
    int length = 0;
    if (lead == EOF) return badItem;
    if (lead < 0x80) {
        length = lead;
    } else if (lead == 0xDE) {
        const int c = consumeByte(conv, file);
        if (c == EOF) return badItem;
        length = c;
    } else if (lead == 0xDF) {
        const int high = consumeByte(conv, file);
        const int low = consumeByte(conv, file);
        if (high == EOF || low == EOF) return badItem;
        length = high * 256 + low;
    } else {
        return badItem;
    }
    // A name longer than the destination is consumed but never copied.
    const bool copying = dest != nullptr && length < destSize;
    for (int i = 0; i < length; ++i) {
        const int c = consumeByte(conv, file);
        if (c == EOF) break;
        if (copying) dest[i] = static_cast<char>(c);
    }
    if (std::feof(file)) {
        if (copying) dest[0] = '\0';
        return badItem;
    }
    if (copying) dest[length] = '\0';
    return dest != nullptr && !copying ? badItem : length;
}

void readLoadBytes(Conversion &conv, RecordCapture *capture, std::FILE *file) {
    const std::int32_t start = captureStart(conv, file);
    consumeLoadBytes(conv, file);
    fillCapture(conv, capture, start);
}

int classifyItem(Conversion &conv, int *out, std::FILE *file) {
    const int c = consumeByte(conv, file);
    if (out != nullptr) *out = c;
    if (c == EOF || c < 0x80) return 1;
    if (c == 0x80) return 2;
    if (isLongNumber(c)) return 3;
    if (c == 0x90) return 4;
    if (c >= 0xA0 && c <= 0xBF) return 5;
    if (isLetter(c)) return 6;
    if (c == 0xDE || c == 0xDF) return 7;
    if (isRecordType(c)) return 8;
    return 9;
}

std::uint32_t readLetters(Conversion &conv, std::uint32_t *out, std::FILE *file) {
    std::uint32_t value = 0;
    int c = 0;
    while (classifyItem(conv, &c, file) == 6) value = (value << 8) | static_cast<std::uint32_t>(c);
    pushBack(conv, c, file);
    if (out != nullptr) *out = value;
    return value;
}

int readValue(Conversion &conv, RecordCapture *capture, int mode, std::FILE *file) {
    const std::int32_t start = captureStart(conv, file);
    int c = consumeByte(conv, file);
    while (c != EOF && !isRecordType(c)) {
        if (c == 0x80 || c == 0x90) {
            // An omitted field or a comma ends a one-value run and stays consumed.
            if (mode == 1) break;
        } else if (isLongNumber(c)) {
            pushBack(conv, c, file);
            readNumber(conv, nullptr, file);
        } else if (c == 0xDE || c == 0xDF) {
            pushBack(conv, c, file);
            readName(conv, nullptr, 0, file);
        } else if (c >= 0x80 && !(c >= 0xA0 && c <= 0xD8)) {
            return badItem;
        }
        c = consumeByte(conv, file);
    }
    if (c != EOF && isRecordType(c)) pushBack(conv, c, file);
    fillCapture(conv, capture, start);
    if (std::feof(file)) return badItem;
    return capture != nullptr ? capture->length : 0;
}

void skipLoadItems(Conversion &conv, RecordCapture *capture, std::FILE *file) {
    const std::int32_t start = captureStart(conv, file);
    int c = consumeByte(conv, file);
    while (c != EOF && !isRecordType(c)) {
        if (c < 0x80) {
            pushBack(conv, c, file);
            consumeLoadBytes(conv, file);
        } else if (c >= 0xC1 && c <= 0xD8) {
            readNumber(conv, nullptr, file);
        } else if (c == 0xBA || c == 0xBC || c == 0xBE) {
            consumeBracketGroup(conv, c + 1, file);
        }
        c = consumeByte(conv, file);
    }
    if (c != EOF) pushBack(conv, c, file);
    fillCapture(conv, capture, start);
}

void skipRecordBody(Conversion &conv, std::int32_t type, std::FILE *file) {
    switch (type) {
    case 0xE0:  // MB
        readTwoNames(conv, nullptr, 0, nullptr, 0, file);
        break;
    case 0xE3:
        classifyItem(conv, nullptr, file);
        readValue(conv, nullptr, 1, file);
        break;
    case 0xE4:
    case 0xFA:
        skipLoadItems(conv, nullptr, file);
        break;
    case 0xE5:  // SB
    case 0xEE:
    case 0xF7:  // RE
    case 0xF9:  // BE
    case 0xE2C7:  // ASG
        readValue(conv, nullptr, 1, file);
        break;
    case 0xE6:  // ST
        readSectionType(conv, nullptr, nullptr, nullptr, 0, nullptr, file);
        break;
    case 0xE7:  // SA
    case 0xEC:  // AD
    case 0xF4:  // WX
    case 0xF1C9:  // ATI
    case 0xF1CE:  // ATN
    case 0xF1D8:  // ATX
    case 0xF814:
        readValue(conv, nullptr, 2, file);
        break;
    case 0xE8:
    case 0xE9:
    case 0xF0:  // NN
    case 0xF801:
    case 0xF802:
    case 0xF803:
        readNumberName(conv, nullptr, nullptr, 0, file);
        break;
    case 0xED:  // LD
        consumeLoadBytes(conv, file);
        break;
    case 0xF2:  // TY
        readNumber(conv, nullptr, file);
        classifyItem(conv, nullptr, file);
        readNumber(conv, nullptr, file);
        readValue(conv, nullptr, 2, file);
        break;
    case 0xE2C9:  // ASI
    case 0xE2CC:  // ASL
    case 0xE2CE:  // ASN
    case 0xE2D0:  // ASP
    case 0xE2D2:  // ASR
    case 0xE2D3:  // ASS
        readNumberValue(conv, nullptr, nullptr, file);
        break;
    case 0xE2D7:  // ASW
        readTwoNumbers(conv, nullptr, nullptr, file);
        break;
    case 0xF804:
    case 0xF805:
    case 0xF806:
    case 0xF80B:
        readNumberName(conv, nullptr, nullptr, 0, file);
        readValue(conv, nullptr, 2, file);
        break;
    case 0xF80A:
        readNumberName(conv, nullptr, nullptr, 0, file);
        readName(conv, nullptr, 0, file);
        readNumberName(conv, nullptr, nullptr, 0, file);
        readValue(conv, nullptr, 2, file);
        break;
    default:
        break;  // ME, end of file and every type without a known body
    }
}

std::int32_t readRecord(Conversion &conv, RecordCapture *capture, std::FILE *file) {
    const std::int32_t type = readRecordType(conv, file);
    skipRecordBody(conv, type, file);
    fillCapture(conv, capture, 0);
    return type;
}

int parseNumberAt(const std::uint8_t *buf, int pos, std::uint32_t *out) {
    const int lead = buf[pos];
    if (lead < 0x80) {
        *out = static_cast<std::uint32_t>(lead);
        return pos + 1;
    }
    if (lead < 0x81 || lead > 0x84) return pos;
    const int count = lead - 0x80;
    std::uint32_t value = 0;
    for (int i = 1; i <= count; ++i) value = (value << 8) | buf[pos + i];
    *out = value;
    return pos + 1 + count;
}

bool readPlainNumber(const RecordCapture &capture, std::uint32_t *out) {
    if (capture.length < 1) return false;
    const int lead = capture.bytes[0];
    const int size = lead < 0x80 ? 1 : lead >= 0x81 && lead <= 0x84 ? 1 + lead - 0x80 : 0;
    if (size != capture.length) return false;
    parseNumberAt(capture.bytes, 0, out);
    return true;
}

int parseNameAt(const std::uint8_t *buf, int pos, char *dest, int destSize) {
    const int lead = buf[pos];
    int header = 0;
    int length = 0;
    if (lead < 0x80) {
        header = 1;
        length = lead;
    } else if (lead == 0xDE) {
        header = 2;
        length = buf[pos + 1];
    } else if (lead == 0xDF) {
        header = 3;
        length = buf[pos + 1] * 256 + buf[pos + 2];
    } else {
        return pos;
    }
    if (length >= destSize) return pos;
    std::memcpy(dest, buf + pos + header, static_cast<std::size_t>(length));
    dest[length] = '\0';
    return pos + header + length;
}

void readTwoNames(Conversion &conv, char *name1, int size1, char *name2, int size2, std::FILE *file) {
    readName(conv, name1, size1, file);
    readName(conv, name2, size2, file);
}

void readTwoNumbers(Conversion &conv, std::uint32_t *out1, std::uint32_t *out2, std::FILE *file) {
    readNumber(conv, out1, file);
    readNumber(conv, out2, file);
}

int readNumberValue(Conversion &conv, std::uint32_t *out, RecordCapture *capture, std::FILE *file) {
    readNumber(conv, out, file);
    return readValue(conv, capture, 1, file);
}

std::int32_t readTypeNumberValue(Conversion &conv, std::uint32_t *out, RecordCapture *capture, std::FILE *file) {
    const std::int32_t type = readRecordType(conv, file);
    readNumberValue(conv, out, capture, file);
    return type;
}

int readSectionType(Conversion &conv, std::uint32_t *index, std::uint32_t *letters, char *name, int nameSize,
                    RecordCapture *capture, std::FILE *file) {
    readNumber(conv, index, file);
    readLetters(conv, letters, file);
    const int nameResult = readName(conv, name, nameSize, file);
    const int valueResult = readValue(conv, capture, 2, file);
    return nameResult == badItem ? badItem : valueResult;
}

int readAttribute(Conversion &conv, std::uint32_t *first, std::uint32_t *second, std::uint32_t *third,
                  RecordCapture *capture, std::FILE *file) {
    readNumber(conv, first, file);
    readNumber(conv, second, file);
    readNumber(conv, third, file);
    return readValue(conv, capture, 2, file);
}

std::int32_t readTypeAttribute(Conversion &conv, std::uint32_t *first, std::uint32_t *second, std::uint32_t *third,
                               RecordCapture *capture, std::FILE *file) {
    const std::int32_t type = readRecordType(conv, file);
    readAttribute(conv, first, second, third, capture, file);
    return type;
}

int readNumberName(Conversion &conv, std::uint32_t *out, char *dest, int destSize, std::FILE *file) {
    readNumber(conv, out, file);
    return readName(conv, dest, destSize, file);
}

std::int32_t readTypeNumberName(Conversion &conv, std::uint32_t *out, char *dest, int destSize, std::FILE *file) {
    const std::int32_t type = readRecordType(conv, file);
    readNumberName(conv, out, dest, destSize, file);
    return type;
}
