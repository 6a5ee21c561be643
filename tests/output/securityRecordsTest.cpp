#include <gtest/gtest.h>

#include <string>

#include "output/securityRecords.h"
#include "output/writerFixture.h"

namespace {

// The ID code "#0123456789ABCD", written record by record at the TQ40 addresses.
const char tq40IdSRecords[] =
    "S2050FFFDF010C\nS2050FFFE323E6\nS2050FFFEB45BC\nS2050FFFEF6796\n"
    "S2050FFFF38970\nS2050FFFF7AB4A\nS2050FFFFBCD24\n";
const char tq40IdHexRecords[] =
    ":01FFDF000120\n:01FFE30023FA\n:01FFEB0045D0\n:01FFEF0067AA\n"
    ":01FFF3008984\n:01FFF700AB5E\n:01FFFB00CD38\n";
const char tq8IdSRecords[] =
    "S20500FFDF011B\nS20500FFE323F5\nS20500FFEB45CB\nS20500FFEF67A5\n"
    "S20500FFF3897F\nS20500FFF7AB59\nS20500FFFBCD33\n";

class SecurityRecords : public WriterTest {
protected:
    // As "-ID#0123456789ABCD" (and the protect options) leave the settings.
    void startWithId(std::uint32_t flags) {
        start(flags);
        const std::uint32_t code[7] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD};
        for (int i = 0; i < 7; ++i) settings.idBytes[i] = code[i];
        if (hasFlag(flag::protect1)) settings.protectValue = 0x3F;
        if (hasFlag(flag::protect2)) settings.protectValue = 0xF3;
    }
    // As a TQ8-family target option leaves the settings.
    void useTq8() {
        settings.idAreaBase = 0xFF00;
        settings.securityHighByte = 0x00;
        settings.protectAddress = 0xFFFF;
        settings.protectChecksumBase = 0x203;
        settings.protect1Record = "S20500FFFF3FBD\n";
        settings.protect2Record = "S20500FFFFF309\n";
        settings.protectDefaultRecord = "S20500FFFFFFFD\n";
    }
    // One unit of `count` bytes of 0x10 at `address`, ended as emission ends it.
    void unit(std::uint32_t address, int count) {
        if (recordState.currentAddress != address) flushRecord(address, out);
        if (hasFlag(flag::idCode)) writeGapIdRecords(address);
        for (int i = 0; i < count; ++i) putImageByte(0x10, out);
        recordState.lastDataAddress = recordState.currentAddress;
        if (recordState.recordFill > 0) flushRecord(recordState.currentAddress, out);
    }
};

TEST_F(SecurityRecords, IdCodeAndDefaultProtectAboveTheData) {
    startWithId(flag::idCode | flag::protectDefault);
    unit(0xFFF0, 16);
    writeSecurityRecords(out);
    EXPECT_EQ(text(), std::string("S21400FFF010101010101010101010101010101010FC\n") + tq40IdSRecords +
                          "S2050FFFFFFFEE\n");
}

TEST_F(SecurityRecords, IntelHexWritesTheSegmentRecordOnce) {
    startWithId(flag::hexOutput | flag::idCode | flag::protectDefault);
    unit(0xFFF0, 16);
    writeSecurityRecords(out);
    EXPECT_EQ(text(), std::string(":020000020000FC\n:10FFF0001010101010101010101010101010101001\n"
                                  ":02000002F0000C\n") +
                          tq40IdHexRecords + ":01FFFF00FF02\n");
}

TEST_F(SecurityRecords, ProtectRecordChoices) {
    struct Case {
        std::uint32_t flags;
        bool tq8;
        const char *expected;
    } cases[] = {
        {flag::protect1, false, "S2050FFFFF3FAE\n"},
        {flag::protect2, false, "S2050FFFFFF3FA\n"},
        {flag::protectX, false, "S2050FFFFF5A93\n"},
        {flag::protect2, true, "S20500FFFFF309\n"},
        {flag::protectX, true, "S20500FFFF5AA2\n"},
        {flag::protect1 | flag::hexOutput, false, ":02000002F0000C\n:01FFFF003FC2\n"},
        {flag::protect2 | flag::hexOutput, false, ":02000002F0000C\n:01FFFF00F30E\n"},
        {flag::protectX | flag::hexOutput, false, ":02000002F0000C\n:01FFFF005AA7\n"},
        {flag::protectX | flag::directConvert, false, ""},
        {0, false, ""},
    };
    for (const Case &c : cases) {
        std::fclose(out);
        out = std::tmpfile();
        startWithId(c.flags);
        settings.protectValue = hasFlag(flag::protectX) ? 0x5A : settings.protectValue;
        if (c.tq8) useTq8();
        recordState.lastDataAddress = 0x1000;
        writeSecurityRecords(out);
        EXPECT_EQ(text(), c.expected) << c.flags << " " << c.tq8;
    }
}

TEST_F(SecurityRecords, Tq8IdCodeAndItsSegmentRecord) {
    // Data in bank 1 leaves the reader of the file in bank 1: segment 0 first.
    startWithId(flag::hexOutput | flag::idCode | flag::protectDefault);
    useTq8();
    recordState.lastUpperAddress = 0x10000;
    recordState.lastDataAddress = 0x8000;
    writeSecurityRecords(out);
    EXPECT_EQ(text().substr(0, 32), ":020000020000FC\n:01FFDF000120\n:0");

    std::fclose(out);
    out = std::tmpfile();
    startWithId(flag::idCode | flag::protectDefault);
    useTq8();
    unit(0x8000, 1);
    writeSecurityRecords(out);
    EXPECT_EQ(text(), std::string("S205008000106A\n") + tq8IdSRecords + "S20500FFFFFFFD\n");
}

TEST_F(SecurityRecords, BytesTheDataWroteGetNoRecord) {
    startWithId(flag::idCode | flag::protectDefault);
    unit(0xFFF00, 0xE8);  // up to 0xFFFE7: ID bytes 0 and 1 lie in the data
    writeSecurityRecords(out);
    const std::string all = text();
    EXPECT_EQ(all.find("S2050FFFDF"), std::string::npos);
    EXPECT_EQ(all.find("S2050FFFE3"), std::string::npos);
    EXPECT_NE(all.find("S2050FFFEB45BC\n"), std::string::npos);
    EXPECT_NE(all.find("S2050FFFFFFFEE\n"), std::string::npos);

    // Data reaching the protect address leaves no record at all.
    std::fclose(out);
    out = std::tmpfile();
    startWithId(flag::idCode | flag::protectDefault);
    unit(0xFFF00, 0x100);
    writeSecurityRecords(out);
    EXPECT_EQ(text().find("S205"), std::string::npos);
}

TEST_F(SecurityRecords, GapRecordsForSkippedIdBytesThenNoRepeat) {
    startWithId(flag::hexOutput | flag::idCode | flag::protectDefault);
    unit(0xEFF00, 1);
    unit(0xFFFE4, 1);  // skips ID bytes 0 and 1 at 0xFFFDF and 0xFFFE3
    writeSecurityRecords(out);
    // The segment record of the gap also serves the data that follows it.
    EXPECT_EQ(text(),
              ":02000002E0001C\n:01FF000010F0\n"
              ":02000002F0000C\n:01FFDF000120\n:01FFE30023FA\n:01FFE400100C\n"
              ":01FFEB0045D0\n:01FFEF0067AA\n:01FFF3008984\n:01FFF700AB5E\n:01FFFB00CD38\n"
              ":01FFFF00FF02\n");
}

TEST_F(SecurityRecords, NothingWithoutDataNorInBinaryImages) {
    startWithId(flag::idCode | flag::protectDefault);
    writeSecurityRecords(out);
    startWithId(flag::binaryOutput | flag::idCode | flag::protectDefault);
    recordState.lastDataAddress = 0x1000;
    writeGapIdRecords(0x100000);
    writeSecurityRecords(out);
    EXPECT_EQ(text(), "");
}

}  // namespace
