// The raw binary image: a 4-byte header with the file length, the image bytes in
// address order, and a trailer with the low 16 bits of their sum.
//
// The header fixes the bounds, and the file always matches it: every address
// from the first to the last one is written exactly once, in ascending order,
// and those that no unit loads hold the fill byte. Data that would have to go
// back to an address already written is refused, since a sequential file cannot
// take it without shifting every later byte.
#pragma once

#include "records/imageWriter.h"

class BinaryImageWriter final : public ImageWriter {
public:
    using ImageWriter::ImageWriter;

    void writeHeaderRecord() override;
    // The image is written strictly in sequence; the file is not positioned.
    void flushRecord(std::uint32_t nextAddress) override { state.currentAddress = nextAddress; }
    void closeRecord() override {}
    // Pads with the fill byte at every address record, with or without "-F".
    void fillTo(std::uint32_t target, bool atAddressRecord) override;
    // Security bytes reach a binary image only in place of image bytes.
    void writeGapIdRecords(std::uint32_t) override {}
    void writeSecurityRecords() override {}
    void writeEndRecord(std::uint32_t trailerPart) override;

protected:
    void putRun(const std::uint8_t *bytes, std::uint32_t count) override;

private:
    void writeImageBytes(ByteSpan bytes);
    void padImageTo(std::uint32_t address);
    void warnSecurityOutsideImage();
    bool insideImage(std::uint32_t address) const { return address >= imageStart && address <= imageEnd; }

    std::uint32_t imageStart = 0;
    std::uint32_t imageEnd = 0;
    std::uint32_t imageNext = 0;      // address of the next byte the file receives
    std::uint32_t sum = 0;            // sum of the bytes of the image (wraps)
    bool outsideDataReported = false; // data outside the bounds was warned about
};
