#include "output/fileSink.h"

#include "common/messages.h"
#include "common/runError.h"

namespace {

// Every this many bytes a durable file's new bytes are handed to the disk,
// while the image is still being made: the sync at the end then waits for the
// last few only. Whole blocks of a large run go to the system in pieces of this
// size too.
constexpr std::size_t writebackInterval = 4 << 20;

}  // namespace

FileSink::FileSink(platform::OutputFile output, std::string outputName, const CancelFlags &cancelFlags, bool isDurable)
    : file(std::move(output)),
      name(std::move(outputName)),
      cancel(cancelFlags),
      durable(isDurable),
      // Not cleared: every byte is written before it is read.
      block(new std::uint8_t[blockSize]) {}

void FileSink::writeLarge(std::span<const std::uint8_t> bytes) {
    if (blockFill > 0) {
        const std::size_t room = blockSize - blockFill;
        std::copy_n(bytes.begin(), room, block.get() + blockFill);
        bytes = bytes.subspan(room);
        writeThrough({block.get(), blockSize});
        blockFill = 0;
    }
    // Whole blocks go to the file straight from the caller's bytes.
    while (bytes.size() >= blockSize) {
        const std::size_t piece = std::min(bytes.size(), writebackInterval);
        writeThrough(bytes.first(piece));
        bytes = bytes.subspan(piece);
    }
    std::copy(bytes.begin(), bytes.end(), block.get());
    blockFill = bytes.size();
}

void FileSink::writeThrough(std::span<const std::uint8_t> bytes) {
    for (;;) {
        const platform::WriteOutcome outcome = file.write(bytes.data(), bytes.size());
        if (outcome.written == bytes.size()) break;
        // A signal that only interrupted a waiting write (one of a program that
        // embeds the converter) leaves it to be tried again.
        if (outcome.interrupted && !cancel.raised()) continue;
        fail();
    }
    written += bytes.size();
    if (durable && written - writebackStart >= writebackInterval) {
        file.startWriteback(writebackStart, written - writebackStart);
        writebackStart = written;
    }
}

void FileSink::finish() {
    const std::size_t held = blockFill;
    blockFill = 0;
    writeThrough({block.get(), held});
    if (durable && !file.syncToDisk()) fail();
    if (!file.close()) fail();
}

void FileSink::fail() {
    // When a signal has asked the run to stop, the failure is its doing (a
    // write cut short, EPIPE after SIGPIPE, EFBIG after SIGXFSZ): the run ends
    // as an interrupt. Otherwise the output's bytes could not be written.
    checkInterrupt(cancel);
    fatalError(err::cantClose, name);
}
