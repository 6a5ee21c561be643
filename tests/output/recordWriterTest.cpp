#include <gtest/gtest.h>

#include <string>

#include "output/recordWriter.h"
#include "output/writerFixture.h"

namespace {

using RecordWriter = WriterTest;

TEST_F(RecordWriter, SRecordOfSixteenBytes) {
    putRun(0x100, 16);
    flushRecord(0, out);
    EXPECT_EQ(text(), "S214000100000102030405060708090A0B0C0D0E0F72\n");
}

TEST_F(RecordWriter, RecordLengths) {
    struct Case {
        bool longRecords;
        int bytes;
        const char *counts;  // the count fields of the S2 lines
    } cases[] = {{false, 40, "14 14 0C "}, {true, 40, "24 0C "}, {false, 16, "14 "}, {true, 32, "24 "}};
    for (const Case &c : cases) {
        std::fclose(out);
        out = std::tmpfile();
        start(c.longRecords ? flag::longRecords : 0);
        putRun(0x2000, c.bytes);
        flushRecord(0, out);
        const std::string all = text();
        std::string counts;
        for (std::size_t pos = 0; pos < all.size(); pos = all.find('\n', pos) + 1)
            counts += all.substr(pos + 2, 2) + " ";
        EXPECT_EQ(counts, c.counts) << c.longRecords << " " << c.bytes;
    }
}

TEST_F(RecordWriter, AddressMoveWithEmptyBufferWritesNothingButTicks) {
    clearFlag(flag::quiet);
    testing::internal::CaptureStdout();
    flushRecord(0x4000, out);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(text(), "");
    EXPECT_EQ(recordState.currentAddress, 0x4000u);
    EXPECT_EQ(settings.progressTicks, 1u);
}

TEST_F(RecordWriter, IntelHexSplitsAtTheBankBoundary) {
    start(flag::hexOutput);
    putAt(0xFFFE, {0x00, 0x01, 0x02, 0x03});
    flushRecord(0, out);
    EXPECT_EQ(text(),
              ":020000020000FC\n"
              ":02FFFE00000100\n"
              ":020000021000EC\n"
              ":020000000203F9\n");
}

TEST_F(RecordWriter, SRecordsMayCrossTheBankBoundary) {
    putAt(0xFFFE, {0x01, 0x02});
    flushRecord(0, out);
    EXPECT_EQ(text(), "S20600FFFE0102F9\n");
}

TEST_F(RecordWriter, IntelHexBankFormAndBankFF) {
    start(flag::hexOutput | flag::above1MB);
    putAt(0x123456, {0xAA});
    flushRecord(0xFF0000, out);
    putAt(0xFF0000, {0x11});
    flushRecord(0xFF0010, out);
    putAt(0xFF0010, {0x22});
    flushRecord(0, out);
    // In bank 0xFF every data record gets its own address record.
    EXPECT_EQ(text(),
              ":020000FF0012ED\n:01345600AACB\n"
              ":020000FF00FF00\n:0100000011EE\n"
              ":020000FF00FF00\n:0100100022CD\n");
}

TEST_F(RecordWriter, ExtendedAddressForms) {
    start(flag::hexOutput | flag::above1MB);
    writeExtendedAddress(0x123456, out);
    clearFlag(flag::above1MB);
    writeExtendedAddress(0x012345, out);
    writeExtendedAddress(0x0FFFFF, out);
    writeExtendedAddress(0xFF0000, out);
    EXPECT_EQ(text(), ":020000FF0012ED\n:020000021000EC\n:02000002F0000C\n:02000002F0000C\n");
}

TEST_F(RecordWriter, RecordAddressSum) {
    start(flag::hexOutput);
    EXPECT_EQ(recordAddressSum(0x123456, 4), 0x04 + 0x34 + 0x56);
    start(0);
    EXPECT_EQ(recordAddressSum(0x123456, 4), (0x04 + 0x12 + 0x34 + 0x56) & 0xFF);
}

TEST_F(RecordWriter, RangeClippingKeepsBothBounds) {
    start(flag::rangeGiven);
    settings.rangeStart = 0x100;
    settings.rangeEnd = 0x1FF;
    putAt(0xFF, {0x11, 0x22});
    flushRecord(0x1FF, out);
    putAt(0x1FF, {0x33, 0x44});
    flushRecord(0, out);
    EXPECT_EQ(text(), "S20500010022D7\nS2050001FF33C7\n");
}

TEST_F(RecordWriter, EndRecords) {
    struct Case {
        std::uint32_t flags;
        std::uint32_t entry;
        const char *expected;
    } cases[] = {
        {flag::entryGiven, 0x0F000, "S80400F0000B\n"},
        {flag::entryGiven, 0x0F0000, "S8040F0000EC\n"},
        {0, 0, "S804000000FB\n"},  // no ASG in the trailer part
        {flag::hexOutput, 0x1234, ":00000001FF\n"},
    };
    for (const Case &c : cases) {
        std::fclose(out);
        out = std::tmpfile();
        start(c.flags);
        settings.entryAddress = c.entry;
        writeEndRecord(0, out);
        EXPECT_EQ(text(), c.expected);
    }
}

TEST_F(RecordWriter, SecurityBytesAreSubstitutedInTextData) {
    start(flag::idCode | flag::protectX);
    settings.protectValue = 0x5A;
    for (int i = 0; i < 7; ++i) settings.idBytes[i] = 0xA0 + i;
    putRun(0xFFFF0, 16, 0);
    flushRecord(0, out);
    // 0xFFFF3, 0xFFFF7, 0xFFFFB hold ID bytes 4 to 6; 0xFFFFF the protect byte.
    EXPECT_EQ(text().substr(0, 10 + 32), "S2140FFFF0000102A4040506A508090AA60C0D0E5A");
    EXPECT_EQ(recordState.securityWritten, 0x70u | securityBits::protect);
}

TEST_F(RecordWriter, ProtectByteNeverInTheCodeFileNorWithDirectConversion) {
    for (bool codeFile : {true, false}) {
        start(codeFile ? flag::protect1 : (flag::protect1 | flag::directConvert));
        settings.protectValue = 0x3F;
        settings.codeOutputFile = codeFile ? out : nullptr;
        putAt(0xFFFFF, {0x77});
        EXPECT_EQ(recordState.recordBuffer[0], 0x77);
    }
    settings.codeOutputFile = nullptr;
}

}  // namespace
