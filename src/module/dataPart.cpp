#include "module/dataPart.h"

namespace {

// The next record other than RE. Where the module is malformed, a raising
// read refuses it at once; the other gives a record of no type (noRecord).
constexpr std::int32_t noRecord = -1;

template <bool raising>
DataRecord readRecord(ModuleReader &reader, std::uint32_t &repeat) {
    for (;;) {
        const std::int32_t type = reader.readRecordType();
        switch (type) {
        case rec::RE: {
            if constexpr (raising) {
                repeat = reader.readWholeNumber();
            } else {
                const std::optional<std::uint32_t> count = reader.takeWholeNumber();
                if (!count) return DataRecord{noRecord, {}, 1};
                repeat = *count;
            }
            break;
        }
        case rec::LD: {
            std::span<const std::uint8_t> bytes;
            if constexpr (raising) {
                bytes = reader.readLoadBytes();
            } else {
                const std::optional<std::span<const std::uint8_t>> taken = reader.takeLoadBytes();
                if (!taken) return DataRecord{noRecord, {}, 1};
                bytes = *taken;
            }
            DataRecord load{type, bytes, repeat > 0 ? repeat : 1};
            repeat = 0;
            return load;
        }
        case rec::SB:
            // A unit belongs to the section its ASP record names.
            reader.readNumber();
            return DataRecord{type, {}, 1};
        case rec::ASG:
            reader.readValue(ModuleReader::Run::oneValue);
            return DataRecord{type, {}, 1};
        case rec::ASP:
        case rec::ME:
            return DataRecord{type, {}, 1};
        default:
            if constexpr (raising) reader.reject();
            return DataRecord{noRecord, {}, 1};
        }
    }
}

}  // namespace

DataRecord DataPartReader::next() { return readRecord<true>(reader_, repeat_); }

std::optional<DataRecord> DataPartReader::tryNext() {
    const DataRecord record = readRecord<false>(reader_, repeat_);
    if (record.type == noRecord) return std::nullopt;
    return record;
}

UnitStart DataPartReader::readUnit() {
    const std::uint32_t offset = reader_.recordOffset();
    const IndexedValue body = reader_.readIndexedValue();
    return UnitStart{offset, body.index, body.value};
}

void countLoads(DataPartReader &data, WrittenBytes &written, CountUntil until) {
    for (;;) {
        std::uint64_t plain = 0;
        data.skipPlainLoads(plain);
        written.add(plain);
        const std::optional<DataRecord> record = data.tryNext();
        if (!record || record->type == rec::ME) return;
        if (record->type == (until == CountUntil::unitEnd ? rec::SB : rec::ASG)) return;
        if (record->type == rec::ASP) {
            if (until == CountUntil::unitEnd) return;
            data.skipUnit();
        }
        if (record->type == rec::LD) written.add(std::uint64_t{record->passes} * record->bytes.size());
    }
}
