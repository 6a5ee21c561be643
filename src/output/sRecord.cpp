// Motorola S-records: S2 data records and the S8 end record.
#include "core/conversion.h"
#include "driver/runSettings.h"
#include "output/hexDigits.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"

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

}  // namespace

char *formatSRecordData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) {
    *at++ = 'S';
    *at++ = '2';
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

void writeSRecordData(Conversion &conv, std::FILE *stream) {
    const RecordState &state = conv.recordState;
    char text[maxRecordText];
    const char *end = formatSRecordData(text, state.recordAddress, state.recordBuffer, state.recordFill);
    std::fwrite(text, 1, static_cast<std::size_t>(end - text), stream);
}

void writeSRecordEnd(std::uint32_t entryAddress, std::FILE *stream) {
    char text[32];
    char *at = text;
    *at++ = 'S';
    *at++ = '8';
    at = putHexPair(at, 4);
    at = putAddressDigits(at, entryAddress);
    const unsigned sum = 4 + (entryAddress >> 16 & 0xFF) + (entryAddress >> 8 & 0xFF) + (entryAddress & 0xFF);
    at = putHexPair(at, ~sum);
    *at++ = '\n';
    std::fwrite(text, 1, static_cast<std::size_t>(at - text), stream);
}
