#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "common/console.h"
#include "module/dataPart.h"
#include "module/moduleReader.h"
#include "module/layoutReading.h"
#include "module/readerTestSupport.h"
#include "platform/inputFile.h"

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

    // The checked reads refuse what the plain ones take.
    const Bytes load{0x04, 0x01, 0x02};
    EXPECT_RUN_ENDS(readerOver(load).readLoadBytes(), 3, illegal);
    const Bytes cutNumber{0x82, 0x12};
    EXPECT_RUN_ENDS(readerOver(cutNumber).readWholeNumber(), 3, illegal);
    const Bytes expression{0x01, 0x82, 0x10, 0x00, 0xA5};
    EXPECT_RUN_ENDS(readerOver(expression).readIndexedValue(), 3, illegal);
}

// The next LD record is taken at once only where the module holds it whole.
TEST(ModuleReader, WholeLoadRecords) {
    struct Row {
        const char *what;
        Bytes module;
        bool taken;
    };
    const Row rows[] = {
        {"an empty record that ends the module", {0xED, 0x00}, true},
        {"a record whose byte ends it", {0xED, 0x01, 0xAA}, true},
        {"a record cut short", {0xED, 0x02, 0xAA}, false},
        {"a count cut off", {0xED}, false},
        {"another record", {0xE1, 0x00}, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ModuleReader reader = readerOver(row.module);
        std::span<const std::uint8_t> bytes;
        EXPECT_EQ(reader.takeWholeLoad(bytes), row.taken);
        if (row.taken) {
            EXPECT_EQ(bytes.size(), row.module.size() - 2);
        }
    }
}

// Runs of LD records are taken at once, each as the record-by-record reading
// would take it: never an LD that RE repeats, a long one, one past the room or
// one the module cuts off, and nothing while an interrupt is pending.
TEST(DataPartReader, RunsOfShortLoads) {
    const Bytes part{0xED, 0x01, 0xAA, 0xED, 0x02, 0xBB, 0xCC, 0xF7, 0x02, 0xED, 0x01, 0xDD,
                     0xED, 0x01, 0xEE, 0xED, 0x04, 0x01, 0x02, 0x03, 0x04, 0xED, 0x01, 0xFF, 0xED, 0x05, 0x01};
    ModuleReader reader = readerOver(part);
    DataPartReader data(reader, 0);
    std::uint8_t run[64] = {};
    std::size_t filled = 0;
    EXPECT_TRUE(data.copyShortLoads(run, filled, 48, 4));
    EXPECT_EQ(Bytes(run, run + filled), (Bytes{0xAA, 0xBB, 0xCC}));
    const DataRecord repeated = data.next();  // RE and its LD
    EXPECT_EQ(repeated.passes, 2u);
    EXPECT_EQ(Bytes(repeated.bytes.begin(), repeated.bytes.end()), (Bytes{0xDD}));
    // The 4-byte record is not short, and stops the run.
    EXPECT_TRUE(data.copyShortLoads(run, filled, 48, 4));
    EXPECT_EQ(filled, 4u);
    EXPECT_FALSE(data.copyShortLoads(run, filled, 48, 4));
    EXPECT_EQ(data.next().bytes.size(), 4u);
    // No room for the byte; then the module ends inside the last record.
    EXPECT_FALSE(data.copyShortLoads(run, filled, 4, 4));
    EXPECT_TRUE(data.copyShortLoads(run, filled, 48, 16));
    EXPECT_EQ(run[filled - 1], 0xFF);
    EXPECT_RUN_ENDS(data.next(), 3, illegal);

    ModuleReader passed = readerOver(part);
    DataPartReader skipping(passed, 0);
    std::uint64_t loaded = 0;
    EXPECT_TRUE(skipping.skipPlainLoads(loaded));
    EXPECT_EQ(loaded, 3u);
    EXPECT_EQ(skipping.next().passes, 2u);

    const std::atomic<bool> stop{true};
    ModuleReader interrupted(part, "app.tqx", CancelFlags{&stop});
    DataPartReader pending(interrupted, 0);
    EXPECT_FALSE(pending.copyShortLoads(run, filled, 48, 4));
    EXPECT_FALSE(pending.skipPlainLoads(loaded));
}

// The module is read from its file as far as it is asked for, a step ahead
// at most, and the first byte alone; a file cut short meanwhile is refused.
TEST(ModuleBytes, ReadAsReached) {
    const Bytes module = nameRecord(4000);
    const std::string name = ::testing::TempDir() + "moduleBytes.tqx";
    const auto writeModule = [&](std::size_t size) {
        std::FILE *file = std::fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(module.data(), 1, size, file), size);
        std::fclose(file);
    };
    writeModule(module.size());
    ModuleBytes bytes(*platform::openInputFile(name), 100);
    EXPECT_EQ(bytes.readTo(50, "app.tqx", CancelFlags{}).size(), 1u);
    EXPECT_EQ(bytes.readTo(50, "app.tqx", CancelFlags{}).size(), 101u);
    EXPECT_EQ(bytes.readTo(module.size(), "app.tqx", CancelFlags{}).size(), module.size());
    EXPECT_TRUE(bytes.whole());
    EXPECT_TRUE(std::ranges::equal(bytes.bytes(), module));

    ModuleBytes cut(*platform::openInputFile(name), 100);
    ModuleReader reader(cut, "app.tqx", CancelFlags{});
    EXPECT_EQ(reader.readRecordType(), rec::NN);
    writeModule(200);
    EXPECT_RUN_ENDS(cut.readTo(module.size(), "app.tqx", CancelFlags{}), 3, illegal);
    // Bytes given in memory take the file's place: it is let go, whatever becomes of it.
    cut.assign(module.begin(), module.end());
    EXPECT_TRUE(cut.whole());
    EXPECT_NO_THROW(cut.confirmUnchanged("app.tqx"));
    std::remove(name.c_str());
#ifndef _WIN32
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], module.data(), module.size()), static_cast<ssize_t>(module.size()));
    close(ends[1]);
    ModuleBytes piped(*platform::openInputFile("/dev/fd/" + std::to_string(ends[0])), 100);
    close(ends[0]);
    EXPECT_EQ(piped.readTo(module.size() + 1, "app.tqx", CancelFlags{}).size(), 1u);
    EXPECT_EQ(piped.readTo(module.size() + 1, "app.tqx", CancelFlags{}).size(), module.size());
    EXPECT_TRUE(piped.whole());
    EXPECT_TRUE(std::ranges::equal(piped.bytes(), module));
    // A read that fails is a failure, never a wait for more: a directory.
    std::uint8_t byte = 0;
    EXPECT_EQ(platform::openInputFile(::testing::TempDir())->read(&byte, 1, 0).outcome,
              platform::InputFile::Outcome::failed);
#endif
}

// A module file's first byte is read alone: a prefix byte there is the last
// byte read so far, and its type is read on from the file. A prefix byte that
// ends the module gives no type (the prefix times 256, less one).
TEST(ModuleReader, RecordTypeWhereTheBytesReadSoFarEnd) {
    struct Row {
        const char *what;
        Bytes module;
        std::int32_t type;
    };
    const Row rows[] = {
        {"ASW", {0xE2, 0xD7}, rec::ASW},
        {"ATN", {0xF1, 0xCE}, rec::ATN},
        {"a block of type 10", {0xF8, 0x0A}, rec::blockBegin(10)},
        {"ME", {0xE1}, rec::ME},
        {"E2 alone", {0xE2}, 0xE1FF},
        {"F1 alone", {0xF1}, 0xF0FF},
        {"F8 alone", {0xF8}, 0xF7FF},
        {"an empty module", {}, rec::endOfFile},
    };
    const std::string name = ::testing::TempDir() + "recordType.tqx";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::FILE *file = std::fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(row.module.data(), 1, row.module.size(), file), row.module.size());
        std::fclose(file);
        ModuleBytes bytes(*platform::openInputFile(name), 100);
        ModuleReader reader(bytes, "app.tqx", CancelFlags{});
        EXPECT_EQ(reader.readRecordType(), row.type);
    }
    std::remove(name.c_str());
}

#ifndef _WIN32
// The program's input is mapped as it is: a page that a truncation takes away
// reads as zeros instead of ending the process, and the module is refused.
TEST(ModuleBytes, MappedInputCutShortIsRefusedNotASignal) {
    platform::mapInputsShared();
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::string name = ::testing::TempDir() + "mappedBytes.tqx";
    std::FILE *file = std::fopen(name.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const Bytes module(3 * page, 0x5A);
    ASSERT_EQ(std::fwrite(module.data(), 1, module.size(), file), module.size());
    std::fclose(file);
    ModuleBytes bytes(*platform::openInputFile(name));
    const std::span<const std::uint8_t> seen = bytes.readTo(module.size(), "app.tqx", CancelFlags{});
    ASSERT_EQ(seen.size(), module.size());
    EXPECT_NO_THROW(bytes.confirmUnchanged("app.tqx"));
    ASSERT_EQ(truncate(name.c_str(), static_cast<off_t>(page)), 0);
    EXPECT_EQ(seen[page - 1], 0x5A);
    EXPECT_EQ(seen[2 * page + 1], 0);
    EXPECT_RUN_ENDS(bytes.confirmUnchanged("app.tqx"), 3, illegal);
    std::remove(name.c_str());
}
#endif

void putLong(Bytes &out, std::uint32_t value) {
    out.insert(out.end(), {0x84, static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                           static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

void putSection(Bytes &out, std::uint8_t index, std::uint8_t letter, std::uint32_t size, std::uint32_t base) {
    out.insert(out.end(), {0xE6, index, 0xC1, letter, 0x01, 'x', 0xE7, index, 0x02, 0xE2, 0xD3, index});
    putLong(out, size);
    out.insert(out.end(), {0xE2, 0xCC, index});
    putLong(out, base);
}

// The offset of the unit's ASP record.
std::uint32_t putUnit(Bytes &out, std::uint8_t index, std::uint32_t address) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), {0xE2, 0xD0, index});
    putLong(out, address);
    out.insert(out.end(), {0xED, 0x01, 0xAA});
    return offset;
}

// A module held in memory as the steps read one, with a progress count that
// shows nothing.
struct HeldModule {
    explicit HeldModule(const Bytes &module) {
        console.setQuiet();
        bytes.assign(module.begin(), module.end());
    }
    ModuleLayout layout(const ModuleParts &parts) {
        ModuleLayout read = readSectionPart(source, parts, false, progress);
        return readDataPart(source, parts, false, std::move(read), progress);
    }
    Console console{stdout, false};
    Progress progress{console, CancelFlags{}};
    ModuleBytes bytes;
    ModuleSource source{bytes, "app.tqx", CancelFlags{}};
};

// Sections by base, equal bases in reading order; a unit joins every section
// of its index; the merged walk is by address, equal addresses in section order.
TEST(ModuleLayout, WalkOrder) {
    Bytes module{0x00};
    ModuleParts parts;
    parts.sectionPart = 1;
    putSection(module, 1, 0xD0, 0x100, 0x2000);
    putSection(module, 2, 0xD2, 0x10, 0x1000);
    putSection(module, 3, 0xC4, 0x10, 0x500);  // loads nothing
    putSection(module, 4, 0xD0, 8, 0x2000);
    putSection(module, 1, 0xD0, 8, 0x2000);
    parts.dataPart = static_cast<std::uint32_t>(module.size());
    const std::uint32_t u0 = putUnit(module, 1, 0x2010);
    const std::uint32_t u1 = putUnit(module, 2, 0x1000);
    const std::uint32_t u2 = putUnit(module, 1, 0x2000);
    putUnit(module, 3, 0x500);
    const std::uint32_t u3 = putUnit(module, 4, 0x2000);
    module.push_back(0xE1);
    const ModuleLayout layout = HeldModule(module).layout(parts);
    std::vector<std::uint32_t> bases;
    for (const SectionEntry &node : layout.normSections.nodes) bases.push_back(node.address);
    EXPECT_EQ(bases, (std::vector<std::uint32_t>{0x1000, 0x2000, 0x2000, 0x2000}));
    std::vector<std::uint32_t> walk, places;
    UnitWalk units(layout.normUnits);
    const UnitEntry *unit = nullptr;
    std::uint32_t place = 0;
    while (units.next(unit, place)) {
        walk.push_back(unit->seek);
        places.push_back(place);
    }
    EXPECT_EQ(walk, (std::vector<std::uint32_t>{u1, u2, u3, u2, u0, u0}));
    EXPECT_EQ(places, (std::vector<std::uint32_t>{0, 1, 2, 3, 1, 3}));
    EXPECT_EQ(layout.extent.lowest, 0x1000u);
    EXPECT_EQ(layout.extent.highest, 0x20FFu);
}

// The image bytes a module's units would write, counted as the data part is
// first read: every repeat, and every section that shares a unit's index.
TEST(ModuleLayout, WrittenBytesBoundedByTheAddressSpace) {
    enum class After { end, sectionBomb, entryBomb };
    struct Row {
        const char *what;
        int sections;          // of index 1; the units are of `unitIndex`
        std::uint8_t unitIndex;
        int units;             // each at 0: RE `repeat`, LD of one byte, then LD of `extra` bytes
        std::uint32_t repeat;
        int extra;
        After after;           // what follows the units before ME
        bool refused;
        // Counted as the record-by-record conversion (-N) counts: the whole
        // data part to its ASG record, whatever the units' sections.
        bool recordByRecord = false;
    };
    const Row rows[] = {
        {"one unit filling the address space", 1, 1, 1, 0xFFFFFFFF, 1, After::end, false},
        {"two sections of half the space", 2, 1, 1, 0x80000000, 0, After::end, false},
        {"two units of half the space", 1, 1, 2, 0x80000000, 0, After::end, false},
        {"two sections and two bytes more", 2, 1, 1, 0x80000000, 1, After::end, true},
        {"three units of half the space", 1, 1, 3, 0x80000000, 0, After::end, true},
        {"one unit past the space", 1, 1, 1, 0xFFFFFFFF, 2, After::end, true},
        {"units of no stored section", 1, 2, 3, 0xFFFFFFFF, 0, After::end, false},
        {"a repeat after SB, in no unit", 1, 1, 1, 0x80000000, 0, After::sectionBomb, false},
        {"a repeat after ASG, in the last unit", 1, 1, 1, 0x80000000, 0, After::entryBomb, true},
        {"record by record, units of an omitted index", 1, 0x80, 3, 0x80000000, 0, After::end, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Bytes module{0x00};
        ModuleParts parts;
        parts.sectionPart = 1;
        for (int i = 0; i < row.sections; ++i) putSection(module, 1, 0xD0, 0x100, 0);
        parts.dataPart = static_cast<std::uint32_t>(module.size());
        const auto putRepeat = [&](std::uint32_t count) {
            module.push_back(0xF7);
            putLong(module, count);
            module.insert(module.end(), {0xED, 0x01, 0xAA});
        };
        for (int i = 0; i < row.units; ++i) {
            module.insert(module.end(), {0xE2, 0xD0, row.unitIndex, 0x00});
            putRepeat(row.repeat);
            module.insert(module.end(), {0xED, static_cast<std::uint8_t>(row.extra)});
            module.insert(module.end(), static_cast<std::size_t>(row.extra), 0xBB);
        }
        if (row.after == After::sectionBomb) module.insert(module.end(), {0xE5, 0x01});
        if (row.after == After::entryBomb) module.insert(module.end(), {0xE2, 0xC7, 0x00});
        if (row.after != After::end) putRepeat(0xFFFFFFFF);
        module.push_back(0xE1);
        HeldModule held(module);
        const auto count = [&] {
            if (!row.recordByRecord) {
                held.layout(parts);
                return;
            }
            ModuleReader reader = readerOf(held.source);
            DataPartReader data(reader, parts.dataPart);
            WrittenBytes written(reader);
            written.beginUnit(1);
            countLoads(data, written, CountUntil::dataPartEnd);
            written.endUnit();
        };
        if (row.refused) {
            EXPECT_RUN_ENDS(count(), 3, illegal);
        } else {
            EXPECT_NO_THROW(count());
        }
    }
}

}  // namespace
