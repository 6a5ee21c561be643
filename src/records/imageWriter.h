// The writers of the image: one class per output form (S-records, Intel HEX,
// the raw binary image) behind one interface. A writer is made for each output
// file and owns everything that the file's records depend on; the sink its
// bytes go to is the one it is given.
//
// Bytes reach a writer as runs. The shared front end (putImageBytes) clips a run
// to the "-A" range and puts the ID code and the protect byte in place, and
// hands the writer the pieces between those points; the writer splits them
// further at its own record boundaries. So every byte takes one path, whether
// it comes alone or in a run of megabytes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "output/outputSink.h"
#include "records/writerContext.h"

struct ImagePlan;

using ByteSpan = std::span<const std::uint8_t>;

// The state that every form keeps for its file.
struct RecordState {
    std::uint32_t currentAddress = 0xFFFFFF;  // load address of the next byte; 0xFFFFFF: no address yet
    // Where the data stored so far ends, for the security records: at the end
    // of a unit the address after it, while a unit is written the address of
    // its last byte stored; 0 before any.
    std::uint32_t dataEnd = 0;
    bool dataSeen = false;                    // an LD record was met during emission
    // Which security addresses this file already holds: bit i for ID byte i,
    // securityBits::protect for the protect byte. The security records write only
    // what is still missing, so each of them reaches a text output exactly once.
    std::uint32_t securityWritten = 0;
};

namespace securityBits {
constexpr std::uint32_t protect = 1u << 7;  // bits 0 to 6 are the seven ID bytes
}

class ImageWriter {
public:
    // `holdsProtect`: the protect byte replaces image bytes at its address in this
    // file (not in the CODE file of a dual-area run, not with "-N").
    ImageWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink, bool holdsProtect);
    virtual ~ImageWriter() = default;
    ImageWriter(const ImageWriter &) = delete;
    ImageWriter &operator=(const ImageWriter &) = delete;

    // The start of the file: the S0 record, the binary header; nothing in Intel HEX.
    virtual void writeHeaderRecord() = 0;
    // `bytes` from the current address on. Most runs go to the writer whole:
    // no "-A" range, no wrap past 0xFFFFFFFF and no security address in them.
    void putImageBytes(ByteSpan bytes) {
        const std::uint32_t address = state.currentAddress;
        const std::uint64_t count = bytes.size();
        if (!clipsToRange && count <= 0x100000000ULL - address && address - idPage >= 0x100 &&
            idPage - address >= count && protectAddress - address >= count) {
            putRun(bytes.data(), static_cast<std::uint32_t>(count));
            return;
        }
        putImagePieces(bytes);
    }
    // The run `passes` times in succession (an LD record after RE).
    void putRepeatedBytes(ByteSpan bytes, std::uint32_t passes);
    // `count` fill bytes.
    void putFillBytes(std::uint32_t count);
    // Ends the record being built and moves to `nextAddress`.
    virtual void flushRecord(std::uint32_t nextAddress) = 0;
    // Writes the record being built, if any, staying at the current address.
    virtual void closeRecord() = 0;
    // The gap from the current address up to `target` - 1: filled as "-F" asks
    // (gapFill.cpp), or padded in a binary image. `atAddressRecord` is true for an
    // ASP record and false for the final fill up to the end of the "-A" range.
    virtual void fillTo(std::uint32_t target, bool atAddressRecord) = 0;
    // The ID code and protect byte as records of their own, where neither data
    // nor fill wrote them (securityRecords.cpp): the ID bytes that a move to
    // `address` skipped, and after the last unit the rest.
    virtual void writeGapIdRecords(std::uint32_t address) = 0;
    virtual void writeSecurityRecords() = 0;
    // The end of the file; `trailerPart` leads S-records to the entry address.
    virtual void writeEndRecord(std::uint32_t trailerPart) = 0;

    RecordState state;
    bool holdsProtect() const { return protectHeld; }

protected:
    // A piece of a run that no range bound, security byte or address wrap splits,
    // its security bytes already in place.
    virtual void putRun(const std::uint8_t *bytes, std::uint32_t count) = 0;
    // Addresses below the "-A" range are passed over; text records move along.
    virtual void skipBelowRange(std::uint32_t count) { state.currentAddress += count; }
    // The byte that the file receives at `address` in place of `byte` (a module
    // or fill byte): an ID code byte, the protect byte, or `byte` itself.
    std::uint8_t securityByteAt(std::uint32_t address, std::uint8_t byte);

    const ImagePlan &plan;
    const WriterContext run;  // references to what the run holds
    OutputSink &sink;
    std::uint8_t fill[4096];  // fill bytes for gaps and binary padding

private:
    void putImagePieces(ByteSpan bytes);

    const bool protectHeld;
    // Copied from the plan, for the test that most runs pass.
    const bool clipsToRange;
    const std::uint32_t idPage;
    const std::uint32_t protectAddress;
    std::uint8_t repeated[4096];  // a short repeated run, copied one after the other
};
