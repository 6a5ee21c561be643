// The byte-level reader of IEEE 695 modules. Every operation consumes bytes from
// a stdio stream opened for binary reading, logs them in recordLog, and returns
// codes; it never prints and never ends the run. The layers above decide what is
// an error.
#pragma once

#include <cstdint>
#include <cstdio>

struct Conversion;

constexpr int recordLogSize = 8192;

// Record types: one byte, or prefix * 256 + next byte after 0xE2, 0xF1, 0xF8.
namespace rec {
constexpr std::int32_t endOfFile = -1;
constexpr std::int32_t MB = 0xE0;
constexpr std::int32_t ME = 0xE1;
constexpr std::int32_t SB = 0xE5;
constexpr std::int32_t ST = 0xE6;
constexpr std::int32_t SA = 0xE7;
constexpr std::int32_t AD = 0xEC;
constexpr std::int32_t LD = 0xED;
constexpr std::int32_t NN = 0xF0;
constexpr std::int32_t TY = 0xF2;
constexpr std::int32_t WX = 0xF4;
constexpr std::int32_t RE = 0xF7;
constexpr std::int32_t BE = 0xF9;
constexpr std::int32_t ASG = 0xE2C7;
constexpr std::int32_t ASI = 0xE2C9;
constexpr std::int32_t ASL = 0xE2CC;
constexpr std::int32_t ASN = 0xE2CE;
constexpr std::int32_t ASP = 0xE2D0;
constexpr std::int32_t ASR = 0xE2D2;
constexpr std::int32_t ASS = 0xE2D3;
constexpr std::int32_t ASW = 0xE2D7;
constexpr std::int32_t ATI = 0xF1C9;
constexpr std::int32_t ATN = 0xF1CE;
constexpr std::int32_t ATX = 0xF1D8;
}  // namespace rec

constexpr int badItem = -2;  // from readName and readValue

// Every byte consumed since the last readRecordType, in order.
struct RecordLog {
    std::uint8_t bytes[recordLogSize];
    std::int32_t length;
    std::FILE *file;
    bool overflowed;  // a record did not fit; the bytes past the end were not kept
};

// A caller-owned copy of the bytes one reader call consumed (not NUL-terminated).
struct RecordCapture {
    std::uint8_t bytes[recordLogSize];
    std::int32_t length;
};

std::int32_t readRecordType(Conversion &conv, std::FILE *file);
std::int32_t unreadRecordType(Conversion &conv, std::int32_t type, std::FILE *file);
std::uint32_t readNumber(Conversion &conv, std::uint32_t *out, std::FILE *file);
// `destSize` bounds the copy (name and NUL); a longer name gives badItem.
int readName(Conversion &conv, char *dest, int destSize, std::FILE *file);
void readLoadBytes(Conversion &conv, RecordCapture *capture, std::FILE *file);
int classifyItem(Conversion &conv, int *out, std::FILE *file);
std::uint32_t readLetters(Conversion &conv, std::uint32_t *out, std::FILE *file);
int readValue(Conversion &conv, RecordCapture *capture, int mode, std::FILE *file);
void skipLoadItems(Conversion &conv, RecordCapture *capture, std::FILE *file);
void skipRecordBody(Conversion &conv, std::int32_t type, std::FILE *file);
std::int32_t readRecord(Conversion &conv, RecordCapture *capture, std::FILE *file);
int parseNumberAt(const std::uint8_t *buf, int pos, std::uint32_t *out);
// True when the capture holds one number of at most four bytes and nothing else
// (not an expression, not an omitted field); the number goes to `out`.
bool readPlainNumber(const RecordCapture &capture, std::uint32_t *out);
// `destSize` bounds the copy; a name that does not fit leaves dest unchanged and
// returns pos (as for any other unreadable name).
int parseNameAt(const std::uint8_t *buf, int pos, char *dest, int destSize);

// Record-body readers. A name longer than its buffer gives badItem as above.
void readTwoNames(Conversion &conv, char *name1, int size1, char *name2, int size2, std::FILE *file);
void readTwoNumbers(Conversion &conv, std::uint32_t *out1, std::uint32_t *out2, std::FILE *file);
int readNumberValue(Conversion &conv, std::uint32_t *out, RecordCapture *capture, std::FILE *file);
std::int32_t readTypeNumberValue(Conversion &conv, std::uint32_t *out, RecordCapture *capture, std::FILE *file);
int readSectionType(Conversion &conv, std::uint32_t *index, std::uint32_t *letters, char *name, int nameSize,
                    RecordCapture *capture, std::FILE *file);
int readAttribute(Conversion &conv, std::uint32_t *first, std::uint32_t *second, std::uint32_t *third,
                  RecordCapture *capture, std::FILE *file);
std::int32_t readTypeAttribute(Conversion &conv, std::uint32_t *first, std::uint32_t *second, std::uint32_t *third,
                               RecordCapture *capture, std::FILE *file);
int readNumberName(Conversion &conv, std::uint32_t *out, char *dest, int destSize, std::FILE *file);
std::int32_t readTypeNumberName(Conversion &conv, std::uint32_t *out, char *dest, int destSize, std::FILE *file);
