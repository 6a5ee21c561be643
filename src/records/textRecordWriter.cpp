#include "records/textRecordWriter.h"

#include <cstring>

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "common/console.h"
#include "records/gapFill.h"
#include "records/securityRecords.h"

TextRecordWriter::TextRecordWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink,
                                   bool holdsProtect, bool splitsAtBanks)
    : ImageWriter(plan, context, sink, holdsProtect),
      splitsAtBanks(splitsAtBanks),
      recordLength(static_cast<std::uint32_t>(plan.settings.recordLength)) {}

// How many of `count` bytes from the current address can go into the record
// buffer in one copy: up to the end of the record and, at a bank split, no
// further than the end of the bank (a single byte when the record's bank is not
// the current one: that byte then ends the record).
std::uint32_t TextRecordWriter::bytesForOneCopy(std::uint32_t count) const {
    std::uint32_t take = recordLength - recordFill;
    if (splitsAtBanks) {
        if (((recordAddress ^ state.currentAddress) & bankMask) != 0) return 1;
        const std::uint32_t toBankEnd = 0x10000 - (state.currentAddress & 0xFFFF);
        if (toBankEnd < take) take = toBankEnd;
    }
    return count < take ? count : take;
}

// Formats, from the start of a run of `count` bytes, the records that are
// complete before the run ends, and returns how many bytes they hold. The record
// buffer is empty and starts at the current address. A full record is written
// only when a byte of the run follows it, or when it ends at a bank split; the
// state changes are those of flushRecord, one progress event per record
// included. The last bytes stay for the record buffer.
std::uint32_t TextRecordWriter::writeWholeRecords(const std::uint8_t *bytes, std::uint32_t count) {
    std::uint32_t done = 0;
    for (;;) {
        const std::uint32_t left = count - done;
        const std::uint32_t take = bytesForOneCopy(left);
        const std::uint32_t next = state.currentAddress + take;
        const bool endsBank = splitsAtBanks && ((recordAddress ^ next) & bankMask) != 0;
        if (!endsBank && !(take == recordLength && left > take)) break;
        textDone(formatData(textRoom(), state.currentAddress, bytes + done, static_cast<int>(take)));
        done += take;
        state.dataEnd = next - 1;
        recordAddress = next;
        state.currentAddress = next;
        run.progress.tick();
    }
    return done;
}

void TextRecordWriter::putRun(const std::uint8_t *bytes, std::uint32_t count) {
    while (count > 0) {
        if (recordFill == recordLength) flushRecord(state.currentAddress);
        if (recordFill == 0 && recordAddress == state.currentAddress) {
            const std::uint32_t written = writeWholeRecords(bytes, count);
            bytes += written;
            count -= written;
            if (count == 0) break;
        }
        const std::uint32_t take = bytesForOneCopy(count);
        std::memcpy(recordBuffer + recordFill, bytes, take);
        recordFill += take;
        state.currentAddress += take;
        state.dataEnd = state.currentAddress - 1;
        bytes += take;
        count -= take;
        if (splitsAtBanks && ((recordAddress ^ state.currentAddress) & bankMask) != 0)
            flushRecord(state.currentAddress);
    }
}

void TextRecordWriter::putText(const char *text) {
    char *at = textRoom();
    const std::size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    textDone(at + length);
}

void TextRecordWriter::writeBlock() {
    writeText(sink, std::string_view(block, blockFill));
    blockFill = 0;
}

void TextRecordWriter::skipBelowRange(std::uint32_t count) {
    state.currentAddress += count;
    recordAddress += count;
}

void TextRecordWriter::flushRecord(std::uint32_t nextAddress) {
    if (recordFill > 0) textDone(formatData(textRoom(), recordAddress, recordBuffer, static_cast<int>(recordFill)));
    recordFill = 0;
    recordAddress = nextAddress;
    state.currentAddress = nextAddress;
    run.progress.tick();
}

void TextRecordWriter::closeRecord() {
    if (recordFill > 0) flushRecord(state.currentAddress);
}

void TextRecordWriter::fillTo(std::uint32_t target, bool atAddressRecord) {
    fillTextGap(plan, run.fill, *this, target, atAddressRecord);
}

void TextRecordWriter::writeGapIdRecords(std::uint32_t address) { writeSkippedIdRecords(plan, *this, address); }

void TextRecordWriter::writeSecurityRecords() { writeMissingSecurityRecords(plan, *this); }
