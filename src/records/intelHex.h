// Intel HEX: data records of at most one 64 KiB bank each, extended address
// records in the segment form (type 02) or, for images above 1 MiB, in this
// converter's own bank form (type FF), and the end record.
#pragma once

#include "records/textRecordWriter.h"

class IntelHexWriter final : public TextRecordWriter {
public:
    IntelHexWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink, bool holdsProtect)
        : TextRecordWriter(plan, context, sink, holdsProtect, true) {}

    void writeHeaderRecord() override {}
    void writeByteRecord(std::uint32_t address, std::uint8_t byte) override;
    void writeEndRecord(std::uint32_t trailerPart) override;

protected:
    char *formatData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) override;

private:
    std::uint32_t lastUpperAddress = 0xFFFFFF;  // address of the last record that set the bank
};
