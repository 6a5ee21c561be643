#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include "diag/interrupt.h"
#include "ieee695/moduleBytes.h"
#include "ieee695/recordReader.h"

namespace {

// The reader over a temporary file of `bytes`, with an empty log of its own (a
// new stream can reuse the address of a closed one).
struct Input {
    std::FILE *file;
    explicit Input(const Bytes &bytes) : file(openBytes(bytes)) { unreadRecordType(rec::endOfFile, file); }
    ~Input() { std::fclose(file); }
    long consumed() const { return std::ftell(file); }
    int next() const { return std::getc(file); }
};

Bytes bytesOf(std::initializer_list<int> list) {
    Bytes out;
    addBytes(out, list);
    return out;
}

TEST(RecordReader, RecordTypes) {
    const struct {
        Bytes bytes;
        std::int32_t type;
        long consumed;
    } cases[] = {
        {bytesOf({0xE2, 0xD7}), 0xE2D7, 2},
        {bytesOf({0xE5, 0x01}), 0xE5, 1},
        {bytesOf({0xF1, 0xCE}), 0xF1CE, 2},
        {bytesOf({0xF8, 0x0A}), 0xF80A, 2},
        {bytesOf({}), -1, 0},
        {bytesOf({0xE2}), 0xE2 * 256 - 1, 1},  // a prefix that ends the file
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        EXPECT_EQ(readRecordType(in.file), c.type);
        EXPECT_EQ(in.consumed(), c.consumed);
    }
}

TEST(RecordReader, UnreadGoesBackOverOneOrTwoTypeBytes) {
    for (const Bytes &bytes : {bytesOf({0xE2, 0xD7, 0x01}), bytesOf({0xE1, 0x01})}) {
        Input in(bytes);
        const std::int32_t type = readRecordType(in.file);
        const long after = in.consumed();
        EXPECT_EQ(unreadRecordType(type, in.file), type);
        EXPECT_EQ(recordLog.length, 0);
        EXPECT_EQ(readRecordType(in.file), type);
        EXPECT_EQ(in.consumed(), after);
    }
}

TEST(RecordReader, Numbers) {
    const struct {
        Bytes bytes;
        std::uint32_t stored;
        std::uint32_t returned;
        long consumed;
    } cases[] = {
        {bytesOf({0x84, 0x00, 0x0F, 0x00, 0x00, 0xE1}), 0xF0000, 0xF0000, 5},
        {bytesOf({0x7F, 0xE1}), 127, 127, 1},
        {bytesOf({0x80, 0xE1}), 128, 128, 1},
        {bytesOf({0x88, 1, 2, 3, 4, 5, 6, 7, 8, 0xE1}), 0x05060708, 0x05060708, 9},
        {bytesOf({0xE1}), 0, 0, 0},           // a record type stays for the next read
        {bytesOf({0x8A, 0xE1}), 0, 0, 1},     // invalid: consumed, value 0
        {bytesOf({0x82, 0x01}), 0x01FF, 0, 2},  // cut off: the end is read as 0xFF
        {bytesOf({}), 0, 0, 0},
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        std::uint32_t stored = 99;
        EXPECT_EQ(readNumber(&stored, in.file), c.returned);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(in.consumed(), c.consumed);
    }
}

TEST(RecordReader, Names) {
    Bytes longName;
    addName(longName, std::string(300, 'n'));
    const struct {
        Bytes bytes;
        int size;  // destination size
        int result;
        std::string name;  // the destination afterwards ("-" when untouched)
        long consumed;
    } cases[] = {
        {bytesOf({3, 'a', 'b', 'c', 0xE1}), 8, 3, "abc", 4},
        {bytesOf({0xDE, 2, 'x', 'y'}), 8, 2, "xy", 4},
        {bytesOf({0, 0xE1}), 8, 0, "", 1},
        {longName, 400, 300, std::string(300, 'n'), 303},
        {longName, 300, badItem, "-", 303},  // does not fit: consumed, not copied
        {bytesOf({0x90, 1}), 8, badItem, "-", 1},
        {bytesOf({5, 'a'}), 8, badItem, "", 2},  // the file ends inside the name
        {bytesOf({}), 8, badItem, "-", 0},
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        char dest[400] = "-";
        EXPECT_EQ(readName(dest, c.size, in.file), c.result);
        EXPECT_EQ(std::string(dest), c.name);
        EXPECT_EQ(in.consumed(), c.consumed);
    }
    Input skipped(longName);
    EXPECT_EQ(readName(nullptr, 0, skipped.file), 300);
}

TEST(RecordReader, LoadBytesAreCapturedWithTheirCount) {
    Input in(bytesOf({0x03, 0x11, 0x22, 0x33, 0xE1}));
    RecordCapture capture;
    readLoadBytes(&capture, in.file);
    ASSERT_EQ(capture.length, 4);
    EXPECT_EQ(std::memcmp(capture.bytes, "\x03\x11\x22\x33", 4), 0);
    EXPECT_EQ(in.next(), 0xE1);
}

TEST(RecordReader, ItemClasses) {
    const struct {
        int byte;
        int itemClass;
    } cases[] = {{0x00, 1}, {0x7F, 1}, {0x80, 2}, {0x81, 3}, {0x88, 3}, {0x89, 9}, {0x90, 4},
                 {0x91, 9}, {0xA0, 5}, {0xBF, 5}, {0xC0, 6}, {0xD8, 6}, {0xD9, 9}, {0xDE, 7},
                 {0xDF, 7}, {0xE0, 8}, {0xFB, 8}, {0xFC, 9}, {0xFF, 9}};
    for (const auto &c : cases) {
        Input in(bytesOf({c.byte}));
        int stored = 0;
        EXPECT_EQ(classifyItem(&stored, in.file), c.itemClass) << c.byte;
        EXPECT_EQ(stored, c.byte);
    }
    Input empty(bytesOf({}));
    int stored = 0;
    EXPECT_EQ(classifyItem(&stored, empty.file), 1);
    EXPECT_EQ(stored, -1);
}

TEST(RecordReader, LettersKeepTheLastFourAndLeaveTheNextItem) {
    const struct {
        Bytes bytes;
        std::uint32_t value;
        int next;
    } cases[] = {
        {bytesOf({0xC1, 0xD3, 0xD0, 0x85}), 0xC1D3D0, 0x85},
        {bytesOf({0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0x01}), 0xC2C3C4C5, 0x01},
        {bytesOf({0x05}), 0, 0x05},
        {bytesOf({0xD0}), 0xD0, EOF},
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        std::uint32_t stored = 0;
        EXPECT_EQ(readLetters(&stored, in.file), c.value);
        EXPECT_EQ(stored, c.value);
        EXPECT_EQ(in.next(), c.next);
    }
}

TEST(RecordReader, ValueRuns) {
    const struct {
        Bytes bytes;
        int mode;
        int result;  // the captured length, or badItem
        long consumed;
    } cases[] = {
        {bytesOf({0x05, 0x90, 0x06, 0xE1}), 1, 2, 2},  // one value: up to the comma
        {bytesOf({0x05, 0x80, 0x06, 0xE1}), 1, 2, 2},  // or the omitted field
        {bytesOf({0x05, 0x90, 0x06, 0xE1}), 2, 3, 3},  // all: up to the record type
        {bytesOf({0x82, 0xE1, 0xE2, 0xA5, 0xF0}), 1, 4, 4},  // number bytes are no type
        {bytesOf({0xDE, 0x02, 0xE1, 0xE2, 0xC1, 0xE1}), 2, 5, 5},  // nor are name bytes
        {bytesOf({0xE1}), 2, 0, 0},
        {bytesOf({0x05, 0x06}), 2, badItem, 2},  // the file ends inside the run
    };
    for (const auto &c : cases) {
        Input in(c.bytes);
        RecordCapture capture;
        EXPECT_EQ(readValue(&capture, c.mode, in.file), c.result);
        EXPECT_EQ(in.consumed(), c.consumed);
        if (c.result >= 0) {
            EXPECT_EQ(capture.length, c.result);
            EXPECT_EQ(std::memcmp(capture.bytes, c.bytes.data(), static_cast<std::size_t>(c.result)), 0);
        }
    }
    Input bad(bytesOf({0x05, 0x8A, 0x06}));
    RecordCapture capture;
    capture.length = 77;
    EXPECT_EQ(readValue(&capture, 2, bad.file), badItem);
    EXPECT_EQ(capture.length, 77);
    Input uncaptured(bytesOf({0x05, 0xE1}));
    EXPECT_EQ(readValue(nullptr, 2, uncaptured.file), 0);
}

TEST(RecordReader, LoadItems) {
    // A counted run, a letter with its number, a bracket group holding a number
    // whose bytes look like the closing byte; then the next record.
    const Bytes items = bytesOf({0x02, 0xAA, 0xBB, 0xC1, 0x05, 0xBA, 0x81, 0xBB, 0x03, 0xBB, 0xE1});
    Input in(items);
    RecordCapture capture;
    skipLoadItems(&capture, in.file);
    EXPECT_EQ(capture.length, 10);
    EXPECT_EQ(in.next(), 0xE1);

    Input unclosed(bytesOf({0xBA, 0x01, 0x02}));
    skipLoadItems(&capture, unclosed.file);
    EXPECT_EQ(unclosed.consumed(), 3);
}

// Every record body of the table, each followed by ME: after readRecord the next
// record must be ME.
TEST(RecordReader, RecordBodiesAreSkippedWhole) {
    const Bytes bodies[] = {
        bytesOf({0xE0, 4, 'T', 'Q', '4', '0', 3, 'a', 'p', 'p'}),
        bytesOf({0xE3, 0xC1, 0x05, 0x90}),
        bytesOf({0xE4, 0x01, 0xFF, 0xC2, 0x81, 0xE1}),
        bytesOf({0xE5, 0x01}),
        bytesOf({0xE6, 0x01, 0xC1, 0xD0, 0x01, 'P', 0x05, 0xA5}),
        bytesOf({0xE7, 0x01, 0x02}),
        bytesOf({0xE8, 0x01, 0x02, 'a', 'b'}),
        bytesOf({0xE9, 0x01, 0x00}),
        bytesOf({0xEC, 0x08, 0x04, 0xCD}),
        bytesOf({0xED, 0x03, 0xE1, 0xE1, 0xE1}),
        bytesOf({0xEE, 0x84, 0, 0, 0, 1}),
        bytesOf({0xF0, 0x01, 0x03, 'a', 'p', 'p'}),
        bytesOf({0xF2, 0x01, 0xC1, 0x02, 0x03, 0x04}),
        bytesOf({0xF4, 0x01, 0x02}),
        bytesOf({0xF7, 0x10}),
        bytesOf({0xF9, 0x01}),
        bytesOf({0xFA, 0x01, 0x00, 0xBC, 0xE1, 0xBD}),
        bytesOf({0xE2, 0xC7, 0x84, 0, 0x0F, 0, 0}),
        bytesOf({0xE2, 0xC9, 0x01, 0x02}),
        bytesOf({0xE2, 0xCC, 0x01, 0x84, 0, 0x0F, 0, 0}),
        bytesOf({0xE2, 0xCE, 0x01, 0x02}),
        bytesOf({0xE2, 0xD0, 0x01, 0x83, 0x0F, 0, 0}),
        bytesOf({0xE2, 0xD2, 0x01, 0x02}),
        bytesOf({0xE2, 0xD3, 0x01, 0x82, 0x01, 0x00}),
        bytesOf({0xE2, 0xD7, 0x02, 0x84, 0, 0, 0, 0x40}),
        bytesOf({0xF1, 0xC9, 0x01, 0x02, 0x03}),
        bytesOf({0xF1, 0xCE, 0x00, 0x00, 0x26, 0x01}),
        bytesOf({0xF1, 0xD8, 0x01, 0xDE, 0x01, 0xE1}),
        bytesOf({0xF8, 0x01, 0x01, 0x01, 'a'}),
        bytesOf({0xF8, 0x02, 0x01, 0x00}),
        bytesOf({0xF8, 0x03, 0x01, 0x00}),
        bytesOf({0xF8, 0x04, 0x01, 0x01, 'a', 0x05, 0x06}),
        bytesOf({0xF8, 0x05, 0x01, 0x00, 0x05}),
        bytesOf({0xF8, 0x06, 0x01, 0x00}),
        bytesOf({0xF8, 0x0B, 0x01, 0x00, 0x07}),
        bytesOf({0xF8, 0x0A, 0x01, 0x01, 'f', 0x01, 'g', 0x05, 0x01, 'h', 0x06, 0x07}),
        bytesOf({0xF8, 0x14, 0x01, 0x02}),
        bytesOf({0xEA}),
        bytesOf({0xE2, 0x01}),
    };
    for (const Bytes &body : bodies) {
        Bytes bytes = body;
        bytes.push_back(0xE1);
        Input in(bytes);
        RecordCapture capture;
        readRecord(&capture, in.file);
        EXPECT_EQ(capture.length, static_cast<int>(body.size())) << testing::PrintToString(body);
        EXPECT_EQ(std::memcmp(capture.bytes, body.data(), body.size()), 0);
        EXPECT_EQ(readRecordType(in.file), rec::ME) << testing::PrintToString(body);
    }
}

TEST(RecordReader, ParseNumberAt) {
    const struct {
        Bytes buf;
        int pos;
        int newPos;
        std::uint32_t value;  // 7 when the output stays unchanged
    } cases[] = {
        {bytesOf({0x05}), 0, 1, 5},
        {bytesOf({0x84, 0x00, 0x0F, 0x00, 0x00}), 0, 5, 0xF0000},
        {bytesOf({0xAA, 0x82, 0x12, 0x34}), 1, 4, 0x1234},
        {bytesOf({0x80}), 0, 0, 7},
        {bytesOf({0x85, 1, 2, 3, 4, 5}), 0, 0, 7},
        {bytesOf({0x90}), 0, 0, 7},
    };
    for (const auto &c : cases) {
        std::uint32_t value = 7;
        EXPECT_EQ(parseNumberAt(c.buf.data(), c.pos, &value), c.newPos);
        EXPECT_EQ(value, c.value);
    }
}

TEST(RecordReader, ParseNameAt) {
    Bytes longName;
    addName(longName, std::string(300, 'q'));
    char dest[400] = "-";
    EXPECT_EQ(parseNameAt(longName.data(), 0, dest, 400), 303);
    EXPECT_EQ(std::string(dest), std::string(300, 'q'));
    const Bytes shortName = bytesOf({0x00, 0xDE, 0x03, 'a', 'b', 'c'});
    EXPECT_EQ(parseNameAt(shortName.data(), 1, dest, 400), 6);
    EXPECT_STREQ(dest, "abc");
    std::strcpy(dest, "-");
    EXPECT_EQ(parseNameAt(shortName.data(), 1, dest, 3), 1);  // too long for dest
    EXPECT_EQ(parseNameAt(bytesOf({0x90}).data(), 0, dest, 400), 0);
    EXPECT_STREQ(dest, "-");
}

TEST(RecordReader, PlainNumbersOnly) {
    const struct {
        Bytes bytes;
        bool plain;
    } cases[] = {
        {bytesOf({0x04}), true},
        {bytesOf({0x84, 0x00, 0x0F, 0x00, 0x00}), true},
        {bytesOf({0x80}), false},                     // omitted
        {bytesOf({0x85, 0, 0, 0, 0, 1}), false},      // beyond four bytes
        {bytesOf({0x84, 0x00, 0x00, 0x10}), false},   // cut short
        {bytesOf({0x05, 0x05, 0xA5}), false},         // an expression
        {bytesOf({}), false},
    };
    for (const auto &c : cases) {
        RecordCapture capture;
        capture.length = static_cast<std::int32_t>(c.bytes.size());
        if (!c.bytes.empty()) std::memcpy(capture.bytes, c.bytes.data(), c.bytes.size());
        std::uint32_t value = 0;
        EXPECT_EQ(readPlainNumber(capture, &value), c.plain);
    }
}

TEST(RecordReader, OverlongRecordsNeverOverrunTheLog) {
    // A 12,000-byte name and a 9,000-byte value run: the log keeps its first 8192
    // bytes, says so, and the stream still stops at the next record.
    Bytes bytes;
    addType(bytes, 0xF0);
    addNumber(bytes, 1);
    addName(bytes, std::string(12000, 'z'));
    addType(bytes, 0xF1CE);
    addBytes(bytes, {0, 0, 38});
    for (int i = 0; i < 9000; ++i) bytes.push_back(0x01);
    addType(bytes, 0xE1);
    Input in(bytes);
    RecordCapture capture;
    EXPECT_EQ(readRecord(&capture, in.file), rec::NN);
    EXPECT_TRUE(recordLog.overflowed);
    EXPECT_EQ(recordLog.length, recordLogSize);
    EXPECT_EQ(capture.length, recordLogSize);
    std::uint32_t attribute = 0;
    EXPECT_EQ(readTypeAttribute(nullptr, nullptr, &attribute, &capture, in.file), rec::ATN);
    EXPECT_EQ(attribute, 38u);
    EXPECT_TRUE(recordLog.overflowed);
    EXPECT_EQ(capture.length, recordLogSize - 5);
    EXPECT_EQ(readRecordType(in.file), rec::ME);
    EXPECT_FALSE(recordLog.overflowed);
}

TEST(RecordReader, BodyReadersTakeTheirFieldsInOrder) {
    Bytes bytes;
    addType(bytes, 0xE6);
    addNumber(bytes, 3);
    addLetters(bytes, "AP");
    addName(bytes, "code");
    addType(bytes, 0xF0);
    addNumber(bytes, 9);
    addName(bytes, "nine");
    addType(bytes, 0xE2D0);
    addNumber(bytes, 3);
    addNumber(bytes, 0x1234);
    addType(bytes, 0xE1);
    Input in(bytes);
    std::uint32_t index = 0;
    std::uint32_t letters = 0;
    char name[8] = "";
    RecordCapture capture;
    ASSERT_EQ(readRecordType(in.file), rec::ST);
    EXPECT_EQ(readSectionType(&index, &letters, name, 8, &capture, in.file), 0);
    EXPECT_EQ(index, 3u);
    EXPECT_EQ(letters, 0xC1D0u);
    EXPECT_STREQ(name, "code");
    EXPECT_EQ(readTypeNumberName(&index, name, 8, in.file), rec::NN);
    EXPECT_EQ(index, 9u);
    EXPECT_STREQ(name, "nine");
    EXPECT_EQ(readTypeNumberValue(&index, &capture, in.file), rec::ASP);
    std::uint32_t address = 0;
    EXPECT_TRUE(readPlainNumber(capture, &address));
    EXPECT_EQ(address, 0x1234u);
    EXPECT_EQ(readRecordType(in.file), rec::ME);
}

TEST(RecordReaderDeathTest, EveryRecordIsASafePointForAnInterrupt) {
    Input in(bytesOf({0xE1}));
    EXPECT_EXIT(
        {
            installInterruptHandler();
            std::raise(SIGINT);
            readRecordType(in.file);
        },
        testing::ExitedWithCode(1), "");
}

}  // namespace
