#include "records/sRecord.h"

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "module/moduleHeader.h"
#include "common/hexText.h"

namespace {

// The address in six digits, or more when it needs them ("1000000"): the record
// keeps every digit, so data above 24 bits is not moved into bank 0. Only the
// three low address bytes count towards the checksum.
char *putAddressDigits(char *at, std::uint32_t address) {
    const std::uint32_t high = address >> 24;
    if (high > 0x0F) *at++ = upperHexDigits[high >> 4];
    if (high > 0) *at++ = upperHexDigits[high & 0x0F];
    at = putHexPair(at, address >> 16);
    at = putHexPair(at, address >> 8);
    return putHexPair(at, address);
}

// An S2 or S8 record: its type, the count, the address, `count` data bytes and
// the ones' complement checksum.
char *formatRecord(char *at, char type, std::uint32_t address, const std::uint8_t *bytes, int count) {
    *at++ = 'S';
    *at++ = type;
    const unsigned length = static_cast<unsigned>(count) + 4;
    unsigned sum = length + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
    at = putHexPair(at, length);
    at = putAddressDigits(at, address);
    for (int i = 0; i < count; ++i) {
        sum += bytes[i];
        at = putHexPair(at, bytes[i]);
    }
    at = putHexPair(at, ~sum);
    *at++ = '\n';
    return at;
}

}  // namespace

void SRecordWriter::writeHeaderRecord() { putText("S0030000FC\n"); }

char *SRecordWriter::formatData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) {
    return formatRecord(at, '2', address, bytes, count);
}

void SRecordWriter::writeByteRecord(std::uint32_t address, std::uint8_t byte) {
    textDone(formatData(textRoom(), address, &byte, 1));
}

void SRecordWriter::writeEndRecord(std::uint32_t trailerPart) {
    // Without "-e" the S8 record carries the module's execution start address,
    // when the trailer part holds one.
    const std::uint32_t entry = plan.settings.has(flag::entryGiven)
                                    ? plan.names.entryAddress
                                    : readModuleEntry(run.module, trailerPart).value_or(plan.names.entryAddress);
    textDone(formatRecord(textRoom(), '8', entry, nullptr, 0));
    writeBlock();
}
