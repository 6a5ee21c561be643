// The data part, record by record: ASP opens a unit at an address, LD carries
// bytes (an RE record before it repeats them), SB names a section, ASG or ME ends it.
#pragma once

#include <cstdint>
#include <span>

#include "ieee695/moduleReader.h"

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
    // The body of the ASP record that next() just gave.
    UnitStart readUnit();
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
    bool skipPlainLoads() { return repeat_ == 0 && reader_.skipLoads(); }

private:
    ModuleReader &reader_;
    std::uint32_t repeat_ = 0;  // the count of the last RE record, for the next LD
};
