// Counted byte runs are read in one call where the log has room for them; the log,
// the captures and the stream must end as reading byte by byte leaves them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ieee695/readerTestSupport.h"
#include "ieee695/recordReader.h"

namespace {

struct Input {
    std::FILE *file;
    explicit Input(const std::string &bytes) : file(std::tmpfile()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
        unreadRecordType(rec::endOfFile, file);
    }
    ~Input() { std::fclose(file); }
};

std::string logged() {
    return std::string(reinterpret_cast<const char *>(recordLog.bytes), static_cast<std::size_t>(recordLog.length));
}

TEST(LoadBytes, LogCaptureAndStreamAsByteByByte) {
    const struct {
        const char *module;
        const char *log;      // the LD record as logged
        bool atEnd;           // the end-of-file indicator is set afterwards
        std::int32_t next;    // the record type read next
    } cases[] = {
        {"ED 03 112233 E1", "ED 03 112233", false, rec::ME},
        {"ED 00 E1", "ED 00", false, rec::ME},
        {"ED FF", "ED FF FF", true, rec::endOfFile},  // the count alone: one read meets the end
        {"ED 05 1122", "ED 05 1122 FF", true, rec::endOfFile},
        {"ED 02 E2D0 E1", "ED 02 E2D0", false, rec::ME},  // type-like bytes inside the run
    };
    for (const auto &c : cases) {
        Input in(hexBytes(c.module));
        ASSERT_EQ(readRecordType(in.file), rec::LD) << c.module;
        RecordCapture capture;
        readLoadBytes(&capture, in.file);
        EXPECT_EQ(logged(), hexBytes(c.log)) << c.module;
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(capture.bytes), static_cast<std::size_t>(capture.length)),
                  hexBytes(c.log).substr(1))
            << c.module;
        EXPECT_EQ(std::feof(in.file) != 0, c.atEnd) << c.module;
        EXPECT_EQ(readRecordType(in.file), c.next) << c.module;
    }
}

TEST(LoadBytes, RunsAfterAPushBackAndPastTheEndOfTheLog) {
    // A load-items record: a run whose count byte was pushed back, a letter with
    // its number, then 80 runs of 127 bytes, more than the log holds.
    std::string record = hexBytes("E4 02 AABB C1 05");
    for (int i = 0; i < 80; ++i) record += hexBytes("7F") + std::string(127, static_cast<char>(0xE0 + i % 32));
    Input in(record + hexBytes("E1"));
    RecordCapture capture;
    EXPECT_EQ(readRecord(&capture, in.file), 0xE4);
    EXPECT_TRUE(recordLog.overflowed);
    EXPECT_EQ(logged(), record.substr(0, recordLogSize));
    EXPECT_EQ(std::ftell(in.file), static_cast<long>(record.size()));
    EXPECT_EQ(readRecordType(in.file), rec::ME);
}

}  // namespace
