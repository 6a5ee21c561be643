#include <gtest/gtest.h>

#include <string>

#include "testConversion.h"
#include "ieee695/readerTestSupport.h"
#include "ieee695/recordReader.h"

namespace {

// The reader over a temporary file, with an empty log of its own (a new stream
// can reuse the address of a closed one).
struct Input {
    std::FILE *file;
    explicit Input(const std::string &bytes) : file(std::tmpfile()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
        unreadRecordType(conv, rec::endOfFile, file);
    }
    ~Input() { std::fclose(file); }
    long consumed() const { return std::ftell(file); }
};

std::string text(const std::uint8_t *bytes, std::int32_t length) {
    return {reinterpret_cast<const char *>(bytes), static_cast<std::size_t>(length)};
}
std::string captured(const RecordCapture &capture) { return text(capture.bytes, capture.length); }

// Each primitive: the input bytes, what it gives, the bytes it consumed.
TEST(RecordReader, RecordTypesAndTheirUnreading) {
    const struct { const char *bytes; std::int32_t type; long consumed; } cases[] = {
        {"E2D7 01", 0xE2D7, 2}, {"E5 01", 0xE5, 1}, {"F1CE", 0xF1CE, 2}, {"F80A", 0xF80A, 2}, {"", -1, 0},
        {"E2", 0xE2 * 256 - 1, 1}};
    for (const auto &c : cases) {
        Input in(hexBytes(c.bytes));
        EXPECT_EQ(readRecordType(conv, in.file), c.type);
        EXPECT_EQ(in.consumed(), c.consumed);
        if (c.type < 0 || c.type == 0xE2 * 256 - 1) continue;
        EXPECT_EQ(unreadRecordType(conv, c.type, in.file), c.type);  // pushed back, read again
        EXPECT_EQ(readRecordType(conv, in.file), c.type);
        EXPECT_EQ(in.consumed(), c.consumed);
    }
}

TEST(RecordReader, Numbers) {
    const struct { const char *bytes; std::uint32_t stored, returned; long consumed; } cases[] = {
        {"84 000F0000 E1", 0xF0000, 0xF0000, 5}, {"7F E1", 127, 127, 1}, {"80 E1", 128, 128, 1},
        {"88 0102030405060708", 0x05060708, 0x05060708, 9},
        {"E1", 0, 0, 0}, {"8A E1", 0, 0, 1},  // a record type stays for the next read; a bad byte is consumed
        {"82 01", 0x01FF, 0, 2},  // cut off: the end reads as 0xFF, and 0 is returned
    };
    for (const auto &c : cases) {
        Input in(hexBytes(c.bytes));
        std::uint32_t stored = 99;
        EXPECT_EQ(readNumber(conv, &stored, in.file), c.returned) << c.bytes;
        EXPECT_EQ(stored, c.stored) << c.bytes;
        EXPECT_EQ(in.consumed(), c.consumed) << c.bytes;
    }
}

// The destination afterwards: "-" is untouched.
TEST(RecordReader, NamesNeverPassTheirBuffer) {
    const std::string longName = hexBytes("DF 012C") + std::string(300, 'n');
    const struct { std::string bytes; int destSize, result; std::string name; long consumed; } cases[] = {
        {hexBytes("03 616263 E1"), 8, 3, "abc", 4}, {hexBytes("DE 02 7879"), 8, 2, "xy", 4},
        {longName, 400, 300, std::string(300, 'n'), 303},
        {longName, 300, badItem, "-", 303},  // does not fit: consumed, not copied
        {hexBytes("90 01"), 8, badItem, "-", 1}, {"", 8, badItem, "-", 0},
        {hexBytes("05 61"), 8, badItem, "", 2},  // the file ends inside the name
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        char dest[400] = "-";
        EXPECT_EQ(readName(conv, dest, c.destSize, in.file), c.result);
        EXPECT_EQ(std::string(dest), c.name);
        EXPECT_EQ(in.consumed(), c.consumed);
    }
}

TEST(RecordReader, ItemsAndLetters) {
    const std::pair<int, int> classes[] = {{0x7F, 1}, {0x80, 2}, {0x88, 3}, {0x89, 9}, {0x90, 4}, {0xA0, 5},
                                           {0xD8, 6}, {0xD9, 9}, {0xDF, 7}, {0xFB, 8}, {0xFC, 9}};
    for (const auto &[byte, itemClass] : classes) {
        Input in(std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(classifyItem(conv, nullptr, in.file), itemClass) << byte;
    }
    Input letters(hexBytes("C1D3D0 85 C1C2C3C4C5"));
    EXPECT_EQ(readLetters(conv, nullptr, letters.file), 0xC1D3D0u);
    EXPECT_EQ(std::getc(letters.file), 0x85);
    EXPECT_EQ(readLetters(conv, nullptr, letters.file), 0xC2C3C4C5u);  // the last four
}

// Counted byte runs are read in one call where the log has room for them; the log,
// the capture and the stream must end as reading byte by byte leaves them: the
// LD record as logged, the end-of-file indicator, the record type read next.
TEST(RecordReader, LoadBytesLogCaptureAndStream) {
    const struct { const char *module, *log; bool atEnd; std::int32_t next; } cases[] = {
        {"ED 03 112233 E1", "ED 03 112233", false, rec::ME}, {"ED 00 E1", "ED 00", false, rec::ME},
        {"ED FF", "ED FF FF", true, rec::endOfFile},  // the count alone: one read meets the end
        {"ED 05 1122", "ED 05 1122 FF", true, rec::endOfFile},
        {"ED 02 E2D0 E1", "ED 02 E2D0", false, rec::ME},  // type-like bytes inside the run
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.module);
        Input in(hexBytes(c.module));
        ASSERT_EQ(readRecordType(conv, in.file), rec::LD);
        RecordCapture capture;
        readLoadBytes(conv, &capture, in.file);
        EXPECT_EQ(text(conv.log.bytes, conv.log.length), hexBytes(c.log));
        EXPECT_EQ(captured(capture), hexBytes(c.log).substr(1));
        EXPECT_EQ(std::feof(in.file) != 0, c.atEnd);
        EXPECT_EQ(readRecordType(conv, in.file), c.next);
    }
}

// Mode 1 takes one value, mode 2 all up to the next record type; the result is
// the captured length or badItem.
TEST(RecordReader, ValueRuns) {
    const struct { const char *bytes; int mode, result; long consumed; } cases[] = {
        {"05 90 06 E1", 1, 2, 2}, {"05 80 06 E1", 1, 2, 2}, {"05 90 06 E1", 2, 3, 3},
        {"82 E1E2 A5 F0", 1, 4, 4},     // number bytes are no record type
        {"DE 02 E1E2 C1 E1", 2, 5, 5},  // nor are name bytes
        {"05 06", 2, badItem, 2},       // the file ends inside the run
        {"05 8A 06", 2, badItem, 2},    // an invalid byte
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes);
        Input in(hexBytes(c.bytes));
        RecordCapture capture;
        EXPECT_EQ(readValue(conv, &capture, c.mode, in.file), c.result);
        EXPECT_EQ(in.consumed(), c.consumed);
        if (c.result < 0) continue;
        EXPECT_EQ(captured(capture), hexBytes(c.bytes).substr(0, static_cast<std::size_t>(c.result)));
    }
}

// Every body of the record table, followed by ME: the record is taken whole
// and the next one is ME.
TEST(RecordReader, RecordBodiesAreSkippedWhole) {
    const char *const records[] = {
        "E0 04 54513430 03 617070", "E3 C1 05 90", "E4 01 FF C2 81E1", "E5 01", "E6 01 C1D0 01 50 05 A5", "E7 01 02",
        "E8 01 02 6162", "E9 01 00", "EC 08 04 CD", "ED 03 E1E1E1", "EE 84 00000001", "F0 01 03 617070",
        "F2 01 C1 02 03 04", "F4 01 02", "F7 10", "F9 01",
        "FA 01 00 BC E1 BD",  // a counted run, then a bracket group holding a type byte
        "FA BA 81BB 03 BB",   // a number in a group whose byte looks like its end
        "E2C7 84 000F0000", "E2C9 01 02", "E2CC 01 84 000F0000", "E2CE 01 02", "E2D0 01 83 0F0000", "E2D2 01 02",
        "E2D3 01 82 0100", "E2D7 02 84 00000040", "F1C9 01 02 03", "F1CE 00 00 26 01", "F1D8 01 DE 01 E1",
        "F801 01 01 61", "F802 01 00", "F803 01 00", "F804 01 01 61 05 06", "F805 01 00 05", "F806 01 00",
        "F80B 01 00 07", "F80A 01 01 66 01 67 05 01 68 06 07", "F814 01 02", "EA", "E201",
    };
    for (const char *record : records) {
        Input in(hexBytes(record) + hexBytes("E1"));
        RecordCapture capture;
        readRecord(conv, &capture, in.file);
        EXPECT_EQ(captured(capture), hexBytes(record)) << record;
        EXPECT_EQ(readRecordType(conv, in.file), rec::ME) << record;
    }
    Input unclosed(hexBytes("FA BA 01 02"));
    readRecord(conv, nullptr, unclosed.file);
    EXPECT_EQ(unclosed.consumed(), 4);
}

// Numbers in captures are pinned by the reading/ cases; a long name is not.
TEST(RecordReader, NamesInCaptures) {
    const std::string name = hexBytes("00 DF 012C") + std::string(300, 'q');
    const auto *buf = reinterpret_cast<const std::uint8_t *>(name.data());
    char dest[400] = "-";
    EXPECT_EQ(parseNameAt(buf, 1, dest, 300), 1);  // too long for dest
    EXPECT_STREQ(dest, "-");
    EXPECT_EQ(parseNameAt(buf, 1, dest, 301), 304);
    EXPECT_EQ(std::string(dest), std::string(300, 'q'));
}

// A 12,000-byte name, a 9,000-byte value run and a load-items record (a run whose
// count byte was pushed back, a letter with its number, then 80 runs of 127
// bytes): each log keeps its first 8192 bytes and says so; the stream still
// stops at the next record.
TEST(RecordReader, OverlongRecordsNeverOverrunTheLog) {
    std::string items = hexBytes("E4 02 AABB C1 05");
    for (int i = 0; i < 80; ++i) items += hexBytes("7F") + std::string(127, static_cast<char>(0xE0 + i % 32));
    Input in(hexBytes("F0 01 DF 2EE0") + std::string(12000, 'z') + hexBytes("F1CE 00 00 26") +
             std::string(9000, '\x01') + items + hexBytes("E1"));
    RecordCapture capture;
    EXPECT_EQ(readRecord(conv, &capture, in.file), rec::NN);
    EXPECT_TRUE(conv.log.overflowed);
    EXPECT_EQ(capture.length, recordLogSize);
    std::uint32_t attribute = 0;
    EXPECT_EQ(readTypeAttribute(conv, nullptr, nullptr, &attribute, &capture, in.file), rec::ATN);
    EXPECT_EQ(attribute, 38u);
    EXPECT_EQ(capture.length, recordLogSize - 5);
    const long itemsAt = in.consumed();
    EXPECT_EQ(readRecord(conv, &capture, in.file), 0xE4);
    EXPECT_TRUE(conv.log.overflowed);
    EXPECT_EQ(text(conv.log.bytes, conv.log.length), items.substr(0, recordLogSize));
    EXPECT_EQ(in.consumed() - itemsAt, static_cast<long>(items.size()));
    EXPECT_EQ(readRecordType(conv, in.file), rec::ME);
    EXPECT_FALSE(conv.log.overflowed);
}

}  // namespace
