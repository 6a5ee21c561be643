#include "core/conversion.h"
#include "output/recordWriter.h"

#include <cstring>

#include "diag/console.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "output/recordFormats.h"
#include "output/securityBytes.h"

namespace {

// The bytes of a short repeated run, copied one after the other.

// Bits 16 to 23 of an address: its 64 KiB bank.
constexpr std::uint32_t bankMask = 0xFF0000;


// How many of `count` bytes from the record state's current address can go into
// the record buffer in one copy: up to the end of the record and, in Intel HEX, no
// further than the byte after which putImageByte would end the record at a bank
// boundary (a single byte when the record's bank is not the current one).
std::uint32_t bytesForOneCopy(Conversion &conv, std::uint32_t count) {
    const RecordState &state = conv.recordState;
    std::uint32_t take = static_cast<std::uint32_t>(conv.settings.recordLength - state.recordFill);
    if (conv.settings.has(flag::hexOutput)) {
        if (((state.recordAddress ^ state.currentAddress) & bankMask) != 0) return 1;
        const std::uint32_t toBankEnd = 0x10000 - (state.currentAddress & 0xFFFF);
        if (toBankEnd < take) take = toBankEnd;
    }
    return count < take ? count : take;
}

// Complete records of a run, formatted one after the other and written with one
// call. The block holds many of the longest records.
constexpr int recordBlockSize = 8192;

// Writes, from the start of a run of `count` bytes, the records that putImageByte
// would write before the run ends, and returns how many bytes they hold. The
// record buffer is empty and starts at the current address. A record is written
// as soon as a byte of the run follows it (putImageByte's step 3) or, in Intel
// HEX, when it ends at a bank boundary (step 7); the same state changes as
// flushRecord follow, one progress event per record included. The last bytes
// stay for the record buffer.
std::uint32_t writeWholeRecords(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    RecordState &state = conv.recordState;
    const bool hex = conv.settings.has(flag::hexOutput);
    const std::uint32_t length = static_cast<std::uint32_t>(conv.settings.recordLength);
    char *at = conv.writerBuffers.recordBlock;
    std::uint32_t done = 0;
    for (;;) {
        const std::uint32_t left = count - done;
        const std::uint32_t take = bytesForOneCopy(conv, left);
        const std::uint32_t next = state.currentAddress + take;
        const bool endsBank = hex && ((state.recordAddress ^ next) & bankMask) != 0;
        if (!endsBank && !(take == length && left > take)) break;
        if (at + maxRecordText > conv.writerBuffers.recordBlock + recordBlockSize) {
            std::fwrite(conv.writerBuffers.recordBlock, 1, static_cast<std::size_t>(at - conv.writerBuffers.recordBlock), stream);
            at = conv.writerBuffers.recordBlock;
        }
        const int size = static_cast<int>(take);
        at = hex ? formatIntelHexData(conv, at, state.currentAddress, bytes + done, size)
                 : formatSRecordData(at, state.currentAddress, bytes + done, size);
        done += take;
        state.lastDataAddress = next - 1;
        state.recordAddress = next;
        state.currentAddress = next;
        tickProgress(conv);
    }
    if (at != conv.writerBuffers.recordBlock) std::fwrite(conv.writerBuffers.recordBlock, 1, static_cast<std::size_t>(at - conv.writerBuffers.recordBlock), stream);
    return done;
}

}  // namespace

void bufferOutput(Conversion &conv, std::FILE *stream) {
    // A stream at the address of an earlier one has replaced it (the earlier one
    // is closed), so its buffer is free again.
    OutputFiles::OutputBuffer *free = nullptr;
    for (OutputFiles::OutputBuffer &buffer : conv.files.outputBuffers) {
        if (buffer.stream == stream) {
            free = &buffer;
            break;
        }
        if (buffer.stream == nullptr && free == nullptr) free = &buffer;
    }
    if (free == nullptr) return;
    free->stream = stream;
    std::setvbuf(stream, free->bytes, _IOFBF, OutputFiles::outputBufferSize);
}

void putImageBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    RecordState &state = conv.recordState;
    if (conv.settings.has(flag::binaryOutput) && !conv.settings.has(flag::rangeGiven)) {
        putBinaryBytes(conv, bytes, count, stream);
        return;
    }
    if (conv.settings.has(flag::rangeGiven | flag::binaryOutput) || maySecurityByteLieIn(conv, state.currentAddress, count)) {
        for (std::uint32_t i = 0; i < count; ++i) putImageByte(conv, bytes[i], stream);
        return;
    }
    // Steps 3, 6 and 7 of putImageByte for pieces that no record boundary splits;
    // from an empty record buffer, whole records at once.
    while (count > 0) {
        if (state.recordFill == conv.settings.recordLength) flushRecord(conv, state.currentAddress, stream);
        if (state.recordFill == 0 && state.recordAddress == state.currentAddress) {
            const std::uint32_t written = writeWholeRecords(conv, bytes, count, stream);
            bytes += written;
            count -= written;
            if (count == 0) break;
        }
        const std::uint32_t take = bytesForOneCopy(conv, count);
        std::memcpy(state.recordBuffer + state.recordFill, bytes, take);
        state.recordFill += static_cast<std::int32_t>(take);
        state.currentAddress += take;
        state.lastDataAddress = state.currentAddress - 1;
        bytes += take;
        count -= take;
        if (conv.settings.has(flag::hexOutput) && ((state.recordAddress ^ state.currentAddress) & bankMask) != 0)
            flushRecord(conv, state.currentAddress, stream);
    }
}

void putRepeatedBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::uint32_t passes,
                      std::FILE *stream) {
    if (passes == 1 || count == 0 || count > sizeof conv.writerBuffers.repeated / 2) {
        for (std::uint32_t pass = 0; pass < passes; ++pass) putImageBytes(conv, bytes, count, stream);
        return;
    }
    // A short run repeated many times goes out as longer runs of whole repetitions.
    const std::uint32_t perBlock = static_cast<std::uint32_t>(sizeof conv.writerBuffers.repeated) / count;
    for (std::uint32_t i = 0; i < perBlock; ++i) std::memcpy(conv.writerBuffers.repeated + i * count, bytes, count);
    for (std::uint32_t left = passes; left > 0;) {
        const std::uint32_t now = left < perBlock ? left : perBlock;
        putImageBytes(conv, conv.writerBuffers.repeated, now * count, stream);
        left -= now;
    }
}

void putImageByte(Conversion &conv, std::uint8_t byte, std::FILE *stream) {
    RecordState &state = conv.recordState;
    if (conv.settings.has(flag::rangeGiven)) {
        if (state.currentAddress < conv.settings.rangeStart) {
            ++state.currentAddress;
            ++state.recordAddress;
            return;
        }
        if (state.currentAddress > conv.settings.rangeEnd) {
            ++state.currentAddress;
            return;
        }
    }
    if (conv.settings.has(flag::binaryOutput)) {
        putBinaryByte(conv, byte, stream);
        return;
    }
    if (state.recordFill == conv.settings.recordLength) flushRecord(conv, state.currentAddress, stream);
    if (maySecurityByteLie(conv, state.currentAddress))
        byte = placeSecurityByte(conv, state.currentAddress, byte, stream);
    state.recordBuffer[state.recordFill++] = byte;
    state.lastDataAddress = state.currentAddress;
    ++state.currentAddress;
    // An Intel HEX data record never crosses a 64 KiB boundary.
    if (conv.settings.has(flag::hexOutput) && ((state.recordAddress ^ state.currentAddress) & bankMask) != 0)
        flushRecord(conv, state.currentAddress, stream);
}

void flushRecord(Conversion &conv, std::uint32_t nextAddress, std::FILE *stream) {
    RecordState &state = conv.recordState;
    if (conv.settings.has(flag::binaryOutput)) {
        // The image is written strictly in sequence; the file is not positioned.
        state.currentAddress = nextAddress;
        return;
    }
    if (state.recordFill > 0) {
        if (conv.settings.has(flag::hexOutput))
            writeIntelHexData(conv, stream);
        else
            writeSRecordData(conv, stream);
    }
    state.recordFill = 0;
    state.recordAddress = nextAddress;
    state.currentAddress = nextAddress;
    tickProgress(conv);
}

std::uint8_t recordAddressSum(Conversion &conv, std::uint32_t address, int count) {
    std::uint32_t sum = static_cast<std::uint32_t>(count) + (address & 0xFF) + ((address >> 8) & 0xFF);
    if (!conv.settings.has(flag::hexOutput)) sum += (address >> 16) & 0xFF;
    return static_cast<std::uint8_t>(sum);
}

void writeHeaderRecord(std::FILE *stream) { std::fputs("S0030000FC\n", stream); }

void writeEndRecord(Conversion &conv, std::uint32_t trailerPart, std::FILE *stream) {
    if (conv.settings.has(flag::hexOutput)) {
        writeIntelHexEnd(stream);
    } else if (conv.settings.has(flag::binaryOutput)) {
        finishBinaryImage(conv, stream);
    } else {
        if (!conv.settings.has(flag::entryGiven)) conv.settings.entryAddress = readModuleEntry(conv, trailerPart).value_or(conv.settings.entryAddress);
        writeSRecordEnd(conv.settings.entryAddress, stream);
    }
}
