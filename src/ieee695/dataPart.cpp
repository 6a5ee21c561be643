#include "ieee695/dataPart.h"

std::optional<DataRecord> DataPartReader::tryNext() {
    for (;;) {
        const std::int32_t type = reader_.readRecordType();
        switch (type) {
        case rec::RE: {
            const std::optional<std::uint32_t> count = reader_.takeWholeNumber();
            if (!count) return std::nullopt;
            repeat_ = *count;
            break;
        }
        case rec::LD: {
            const std::optional<std::span<const std::uint8_t>> bytes = reader_.takeLoadBytes();
            if (!bytes) return std::nullopt;
            DataRecord load{type, *bytes, repeat_ > 0 ? repeat_ : 1};
            repeat_ = 0;
            return load;
        }
        case rec::SB:
            // A unit belongs to the section its ASP record names.
            reader_.readNumber();
            return DataRecord{type, {}, 1};
        case rec::ASG:
            reader_.readValue(ModuleReader::Run::oneValue);
            return DataRecord{type, {}, 1};
        case rec::ASP:
        case rec::ME:
            return DataRecord{type, {}, 1};
        default:
            return std::nullopt;
        }
    }
}

DataRecord DataPartReader::next() {
    if (const std::optional<DataRecord> record = tryNext()) return *record;
    reader_.reject();
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
