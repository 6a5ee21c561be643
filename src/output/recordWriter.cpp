#include "output/recordWriter.h"

#include "diag/console.h"
#include "driver/runSettings.h"
#include "ieee695/recordReader.h"
#include "output/recordFormats.h"
#include "output/securityBytes.h"

namespace {

// Bits 16 to 23 of an address: its 64 KiB bank.
constexpr std::uint32_t bankMask = 0xFF0000;

RecordCapture entryCapture;

// Without "-e" the S8 record carries the module's execution start address: the
// ASG record at the start of the trailer part. Anything else there leaves the
// entry address as it is.
void readModuleEntry(std::uint32_t trailerPart) {
    std::FILE *in = settings.inputFile;
    if (in == nullptr || std::fseek(in, static_cast<long>(trailerPart), SEEK_SET) != 0) return;
    if (readRecordType(in) != rec::ASG) return;
    entryCapture.length = 0;
    if (readValue(&entryCapture, 1, in) <= 0) return;
    parseNumberAt(entryCapture.bytes, 0, &settings.entryAddress);
}

}  // namespace

void putImageByte(std::uint8_t byte, std::FILE *stream) {
    RecordState &state = recordState;
    if (hasFlag(flag::rangeGiven)) {
        if (state.currentAddress < settings.rangeStart) {
            ++state.currentAddress;
            ++state.recordAddress;
            return;
        }
        if (state.currentAddress > settings.rangeEnd) {
            ++state.currentAddress;
            return;
        }
    }
    if (hasFlag(flag::binaryOutput)) {
        putBinaryByte(byte, stream);
        return;
    }
    if (state.recordFill == settings.recordLength) flushRecord(state.currentAddress, stream);
    if (maySecurityByteLie(state.currentAddress))
        byte = placeSecurityByte(state.currentAddress, byte, stream);
    state.recordBuffer[state.recordFill++] = byte;
    state.lastDataAddress = state.currentAddress;
    ++state.currentAddress;
    // An Intel HEX data record never crosses a 64 KiB boundary.
    if (hasFlag(flag::hexOutput) && ((state.recordAddress ^ state.currentAddress) & bankMask) != 0)
        flushRecord(state.currentAddress, stream);
}

void flushRecord(std::uint32_t nextAddress, std::FILE *stream) {
    RecordState &state = recordState;
    if (hasFlag(flag::binaryOutput)) {
        // The image is written strictly in sequence; the file is not positioned.
        state.currentAddress = nextAddress;
        return;
    }
    if (state.recordFill > 0) {
        if (hasFlag(flag::hexOutput))
            writeIntelHexData(stream);
        else
            writeSRecordData(stream);
    }
    state.recordFill = 0;
    state.recordAddress = nextAddress;
    state.currentAddress = nextAddress;
    tickProgress();
}

std::uint8_t recordAddressSum(std::uint32_t address, int count) {
    std::uint32_t sum = static_cast<std::uint32_t>(count) + (address & 0xFF) + ((address >> 8) & 0xFF);
    if (!hasFlag(flag::hexOutput)) sum += (address >> 16) & 0xFF;
    return static_cast<std::uint8_t>(sum);
}

void writeHeaderRecord(std::FILE *stream) { std::fputs("S0030000FC\n", stream); }

void writeEndRecord(std::uint32_t trailerPart, std::FILE *stream) {
    if (hasFlag(flag::hexOutput)) {
        writeIntelHexEnd(stream);
    } else if (hasFlag(flag::binaryOutput)) {
        finishBinaryImage(stream);
    } else {
        if (!hasFlag(flag::entryGiven)) readModuleEntry(trailerPart);
        writeSRecordEnd(settings.entryAddress, stream);
    }
}
