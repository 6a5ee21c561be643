// An output file as a sink: its bytes gathered into large blocks, each written
// whole through the platform layer and each write checked. The first failed
// write, sync or close ends the run with "Can't close file" and the output's
// name, or as an interrupt when a signal has asked the run to stop (the write
// that the signal cut short, a closed pipe, a file size limit).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/cancel.h"
#include "output/outputSink.h"
#include "platform/outputFile.h"

class FileSink final : public OutputSink {
public:
    // `durable`: the file is a temporary that will be renamed into place, and
    // its bytes are pushed towards the disk while it is written.
    FileSink(platform::OutputFile file, std::string name, const CancelFlags &cancel, bool durable);

    void write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() <= blockSize - blockFill) {
            std::copy(bytes.begin(), bytes.end(), block.get() + blockFill);
            blockFill += bytes.size();
            return;
        }
        writeLarge(bytes);
    }

    // The bytes still held, then the sync of a durable file, then the close.
    void finish();

private:
    void writeLarge(std::span<const std::uint8_t> bytes);
    void writeThrough(std::span<const std::uint8_t> bytes);
    [[noreturn]] void fail();

    // A larger block measured no faster; one this size is still an ordinary
    // allocation for the sanitizers' allocator, which maps and unmaps anything
    // larger every run.
    static constexpr std::size_t blockSize = 64 * 1024;

    platform::OutputFile file;
    const std::string name;
    const CancelFlags cancel;
    const bool durable;
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t blockFill = 0;
    std::uint64_t written = 0;         // bytes in the file so far
    std::uint64_t writebackStart = 0;  // the first byte not yet handed to writeback
};
