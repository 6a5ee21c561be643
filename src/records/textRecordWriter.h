// What S-records and Intel HEX share: the record being built, its split at the
// record length and, in Intel HEX, at every 64 KiB bank, the block that every
// record is formatted into and that reaches the sink in one call when full,
// the fill of gaps and the security records.
#pragma once

#include <cstdint>

#include "records/imageWriter.h"
#include "records/securityRecords.h"

// Bits 16 to 23 of an address: its 64 KiB bank.
constexpr std::uint32_t bankMask = 0xFF0000;

constexpr int maxRecordLength = 32;

// The most text that one data record takes: an S2 record of 32 bytes (79
// characters with an eight-digit address), or an Intel HEX data record of 32
// bytes with the extended address record before it (15 + 76 characters).
constexpr int maxRecordText = 96;

class TextRecordWriter : public ImageWriter, public ByteRecordOutput {
public:
    // `splitsAtBanks`: no record crosses a 64 KiB boundary.
    TextRecordWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink, bool holdsProtect,
                     bool splitsAtBanks);

    void flushRecord(std::uint32_t nextAddress) override;
    void closeRecord() override;
    void fillTo(std::uint32_t target, bool atAddressRecord) override;
    void writeGapIdRecords(std::uint32_t address) override;
    void writeSecurityRecords() override;
    RecordState &recordState() override { return state; }

protected:
    void putRun(const std::uint8_t *bytes, std::uint32_t count) override;
    void skipBelowRange(std::uint32_t count) override;
    // A data record of `count` bytes at `address`, formatted at `at` with what
    // must come before it; returns the end.
    virtual char *formatData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) = 0;
    // Where the next record is formatted: room for maxRecordText characters
    // at the end of the block. textDone takes the record's end.
    char *textRoom() {
        if (blockFill > sizeof block - maxRecordText) writeBlock();
        return block + blockFill;
    }
    void textDone(const char *end) { blockFill = static_cast<std::size_t>(end - block); }
    // A fixed record, shorter than maxRecordText.
    void putText(const char *text);
    // The block to the sink; the end record calls it last.
    void writeBlock();

private:
    std::uint32_t bytesForOneCopy(std::uint32_t count) const;
    std::uint32_t writeWholeRecords(const std::uint8_t *bytes, std::uint32_t count);

    const bool splitsAtBanks;
    const std::uint32_t recordLength;  // data bytes a record: 16, or 32 with "-L"
    std::uint32_t recordAddress = 0;   // load address of the first buffered byte
    std::uint32_t recordFill = 0;      // bytes held in recordBuffer
    std::uint8_t recordBuffer[maxRecordLength];
    std::size_t blockFill = 0;         // characters held in block
    char block[8192];                  // records not yet handed to the sink
};
