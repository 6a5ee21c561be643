// The data part, record by record: ASP opens a unit at an address, LD carries
// bytes (an RE record before it repeats them), SB names a section, ASG or ME ends it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "module/moduleReader.h"

struct DataRecord {
    std::int32_t type;                    // rec::ASP, LD, SB, ASG or ME
    std::span<const std::uint8_t> bytes;  // LD: its bytes
    std::uint32_t passes = 1;             // LD: how many times they are written in succession
};

// The start of a unit: its ASP record.
struct UnitStart {
    std::uint32_t offset;   // of the ASP record's first type byte
    std::uint32_t section;  // section index
    std::uint32_t address;  // load address
};

class DataPartReader {
public:
    // Reads from `offset`: the data part, or a unit's ASP record.
    DataPartReader(ModuleReader &reader, std::uint32_t offset) : reader_(reader) { reader_.seek(offset); }

    // The next record other than RE; any type but those of DataRecord raises,
    // as does an LD or RE record cut off by the end of the module. The body of
    // an ASP record is left for readUnit.
    DataRecord next();
    // The same, with nothing where next() raises.
    std::optional<DataRecord> tryNext();
    // The body of the ASP record that next() just gave.
    UnitStart readUnit();
    // The same body passed over as readUnit reads it, without its checks.
    void skipUnit() {
        reader_.readNumber();
        reader_.readValue(ModuleReader::Run::oneValue);
    }
    // The next record when it is an LD record that no RE record repeats and
    // that the module holds whole: its bytes; the usual record, read without
    // the general way. A safe point for an interrupt, as next() is.
    bool nextPlainLoad(std::span<const std::uint8_t> &bytes) {
        checkInterrupt(reader_.cancelFlags());
        return repeat_ == 0 && reader_.takeWholeLoad(bytes);
    }
    // Runs of such records at once (ModuleReader::copyShortLoads, skipLoads).
    bool copyShortLoads(std::uint8_t *to, std::size_t &filled, std::size_t room, std::size_t shortest) {
        return repeat_ == 0 && reader_.copyShortLoads(to, filled, room, shortest);
    }
    bool skipPlainLoads(std::uint64_t &loaded) { return repeat_ == 0 && reader_.skipLoads(loaded); }

private:
    ModuleReader &reader_;
    std::uint32_t repeat_ = 0;  // the count of the last RE record, for the next LD
};

// The image bytes that units write, counted as the data part is first read: a
// run writes the 32-bit address space at most once, so a module whose units
// would write more, all their repeats and sections counted, is refused as
// malformed before any of it is written. A unit's bytes are what the emission
// writes of it: every LD record from its ASP record to the next SB, ME or ASP
// record, as many times as an RE record before it says.
class WrittenBytes {
public:
    static constexpr std::uint64_t limit = std::uint64_t{1} << 32;

    explicit WrittenBytes(ModuleReader &reader) : reader_(reader) {}

    // A unit begins, written `times` over (once for each section of its
    // index, 0 when no section takes it); the one before ends.
    void beginUnit(std::uint32_t times) {
        endUnit();
        times_ = times;
    }
    // Bytes of the open unit.
    void add(std::uint64_t bytes) {
        if (times_ == 0) return;
        unit_ += bytes;
        if (unit_ > limit) reader_.reject();
    }
    // Whether the open unit is written at all.
    bool counting() const { return times_ != 0; }
    void endUnit() {
        // At most 2^32 bytes a unit and fewer sections than that: no overflow.
        if (unit_ * times_ > limit - total_) reader_.reject();
        total_ += unit_ * times_;
        unit_ = 0;
        times_ = 0;
    }

private:
    ModuleReader &reader_;
    std::uint64_t total_ = 0;
    std::uint64_t unit_ = 0;  // of the open unit
    std::uint32_t times_ = 0;
};

// Where counting stops: at the end of a unit (SB, ME, ASP), or at the end of
// the data part as "-N" reads it (ASG, ME).
enum class CountUntil { unitEnd, dataPartEnd };

// Counts the bytes of the LD records from here up to `until`. A record that
// next() refuses ends the count too: what writes them refuses it in its turn.
void countLoads(DataPartReader &data, WrittenBytes &written, CountUntil until);
