// Motorola S-records: the S0 header, S2 data records and the S8 end record.
#pragma once

#include "records/textRecordWriter.h"

class SRecordWriter final : public TextRecordWriter {
public:
    SRecordWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink, bool holdsProtect)
        : TextRecordWriter(plan, context, sink, holdsProtect, false) {}

    void writeHeaderRecord() override;
    void writeByteRecord(std::uint32_t address, std::uint8_t byte) override;
    void writeEndRecord(std::uint32_t trailerPart) override;

protected:
    char *formatData(char *at, std::uint32_t address, const std::uint8_t *bytes, int count) override;
};
