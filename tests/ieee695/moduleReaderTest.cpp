#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ieee695/dataPart.h"
#include "ieee695/moduleReader.h"
#include "ieee695/readerTestSupport.h"
#include "testConversion.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
const char illegal[] = "Illegal file format `app.tqx' is used";

ModuleReader readerOver(const Bytes &bytes) { return ModuleReader(bytes, "app.tqx", CancelFlags{}); }

// A record of `total` bytes: NN 1 and a name that fills it up.
Bytes nameRecord(std::size_t total) {
    const std::size_t length = total - 5;
    Bytes bytes(total, 'n');
    const Bytes head{0xF0, 0x01, 0xDF, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

TEST(ModuleReader, FieldsReadAsValues) {
    const Bytes bytes{0xE2, 0xD7, 0x84, 0x00, 0x0F, 0x00, 0x00, 0x7F, 0xE1};
    ModuleReader reader = readerOver(bytes);
    EXPECT_EQ(reader.readRecordType(), rec::ASW);
    EXPECT_EQ(reader.readNumber(), 0x000F0000u);
    EXPECT_EQ(reader.readNumber(), 127u);
    EXPECT_EQ(reader.readNumber(), 0u);  // a record type is left for the next record
    reader.unreadRecordType(rec::endOfFile);
    EXPECT_EQ(reader.readRecordType(), rec::ME);
    EXPECT_EQ(reader.readRecordType(), rec::endOfFile);

    // One value ends after its comma; a run to the record's end stops at the next type.
    const Bytes values{0x05, 0x90, 0x06, 0xC1, 0xD3, 0xD0, 0xE5};
    ModuleReader run = readerOver(values);
    const ValueRun one = run.readValue(ModuleReader::Run::oneValue);
    EXPECT_EQ(Bytes(one.bytes.begin(), one.bytes.end()), (Bytes{0x05, 0x90}));
    EXPECT_EQ(run.readNumber(), 6u);
    EXPECT_EQ(run.readLetters(), 0xC1D3D0u);
    EXPECT_EQ(run.readRecordType(), rec::SB);

    const Bytes invalid{0x05, 0x8A, 0x07};
    ModuleReader stopped = readerOver(invalid);
    EXPECT_FALSE(stopped.readValue(ModuleReader::Run::toRecordEnd).complete);
    EXPECT_EQ(stopped.readNumber(), 7u);  // the byte no value holds stays taken
}

TEST(ModuleReader, CutFieldsAtTheEnd) {
    const Bytes name{0x05, 'a', 'b'};
    EXPECT_FALSE(readerOver(name).readName().has_value());
    const Bytes number{0x82, 0x12};
    EXPECT_EQ(readerOver(number).readNumber(), 0x12FFu);  // a missing byte reads as 0xFF
    const Bytes value{0x82, 0x12, 0x34};
    EXPECT_FALSE(readerOver(value).readValue(ModuleReader::Run::oneValue).complete);
    const Bytes prefix{0xE2};
    EXPECT_EQ(readerOver(prefix).readRecordType(), 0xE2 * 256 - 1);

    // The checked reads refuse what the plain ones take.
    const Bytes load{0x04, 0x01, 0x02};
    EXPECT_RUN_ENDS(readerOver(load).readLoadBytes(), 3, illegal);
    const Bytes cutNumber{0x82, 0x12};
    EXPECT_RUN_ENDS(readerOver(cutNumber).readWholeNumber(), 3, illegal);
    const Bytes expression{0x01, 0x82, 0x10, 0x00, 0xA5};
    EXPECT_RUN_ENDS(readerOver(expression).readIndexedValue(), 3, illegal);
    const Bytes plain{0x01, 0x82, 0x10, 0x00, 0xE1};
    EXPECT_EQ(readerOver(plain).readIndexedValue().value, 0x1000u);
}

// A record may take 8192 bytes, counting a byte looked at past its end.
TEST(ModuleReader, RecordLimit) {
    Bytes longest = nameRecord(recordLimit);
    longest.push_back(0xE1);
    ModuleReader reader = readerOver(longest);
    EXPECT_EQ(reader.skipRecord(), rec::NN);
    EXPECT_EQ(reader.readRecordType(), rec::ME);

    const Bytes tooLong = nameRecord(recordLimit + 1);
    EXPECT_RUN_ENDS(readerOver(tooLong).skipRecord(), 3, illegal);

    Bytes lookAhead(recordLimit + 1, 0xC1);  // ATN and a run of letters up to ME
    lookAhead[0] = 0xF1;
    lookAhead[1] = 0xCE;
    lookAhead.back() = 0xE1;
    EXPECT_RUN_ENDS(readerOver(lookAhead).skipRecord(), 3, illegal);
}

// RE repeats the next LD only; ASP bodies are read on demand; SB, ASG and ME
// are handed over for the caller to end its walk.
TEST(DataPartReader, RecordsInOrder) {
    const Bytes part{0x00, 0xE2, 0xD0, 0x01, 0x82, 0x10, 0x00, 0xF7, 0x03, 0xE5, 0x01,
                     0xED, 0x02, 0xAA, 0xBB, 0xED, 0x01, 0xCC, 0xE2, 0xC7, 0x00, 0xE1, 0xF0};
    ModuleReader reader = readerOver(part);
    DataPartReader data(reader, 1);
    EXPECT_EQ(data.next().type, rec::ASP);
    const UnitStart unit = data.readUnit();
    EXPECT_EQ(unit.offset, 1u);
    EXPECT_EQ(unit.section, 1u);
    EXPECT_EQ(unit.address, 0x1000u);
    EXPECT_EQ(data.next().type, rec::SB);
    const DataRecord repeated = data.next();
    EXPECT_EQ(repeated.type, rec::LD);
    EXPECT_EQ(Bytes(repeated.bytes.begin(), repeated.bytes.end()), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(repeated.passes, 3u);
    EXPECT_EQ(data.next().passes, 1u);
    EXPECT_EQ(data.next().type, rec::ASG);
    EXPECT_EQ(data.next().type, rec::ME);
    EXPECT_RUN_ENDS(data.next(), 3, illegal);
}

}  // namespace
