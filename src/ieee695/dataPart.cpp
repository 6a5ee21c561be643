#include "ieee695/dataPart.h"

DataRecord DataPartReader::next() {
    for (;;) {
        const std::int32_t type = reader_.readRecordType();
        switch (type) {
        case rec::RE: {
            repeat_ = reader_.readWholeNumber();
            break;
        }
        case rec::LD: {
            DataRecord load{type, reader_.readLoadBytes(), repeat_ > 0 ? repeat_ : 1};
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
            reader_.reject();
        }
    }
}

UnitStart DataPartReader::readUnit() {
    const std::uint32_t offset = reader_.recordOffset();
    const IndexedValue body = reader_.readIndexedValue();
    return UnitStart{offset, body.index, body.value};
}
