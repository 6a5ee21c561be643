// The raw binary image: a 4-byte header with the file length, the image bytes in
// address order, and a trailer with the low 16 bits of their sum.
//
// Once writeBinaryHeader has fixed the bounds, the file always matches its
// header: every address from the first to the last one is written exactly once,
// in ascending order, and those that no unit loads hold the fill byte. Data that
// would have to go back to an address already written is refused, since a
// sequential file cannot take it without shifting every later byte.
#include <cstdio>
#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "output/recordFormats.h"
#include "output/recordWriter.h"
#include "output/securityBytes.h"

namespace {

// An address as the program prints addresses: "0FFFDFH".
struct AddressText {
    char text[16];
};
AddressText formatAddress(std::uint32_t address) {
    AddressText result;
    std::snprintf(result.text, sizeof result.text, "0%XH", static_cast<unsigned>(address));
    return result;
}

void writeImageByte(std::uint8_t byte, std::FILE *stream) {
    std::putc(byte, stream);
    recordState.binarySum += byte;
    ++recordState.imageNext;
    tickProgress();
}

// writeImageByte for each of `count` bytes: one write, and the progress events
// counted at once.
void writeImageBytes(const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    std::fwrite(bytes, 1, count, stream);
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < count; ++i) sum += bytes[i];
    recordState.binarySum += sum;
    recordState.imageNext += count;
    tickProgressTimes(count);
}

// Padding goes out in pieces of this size, so that a long gap still lets an
// interrupt through between them.
constexpr std::uint32_t padPiece = 4096;

// Pads the image with the fill byte up to `address` (exclusive). The ID code and
// the protect byte land in the padding as they would in data.
void padImageTo(std::uint32_t address, std::FILE *stream) {
    static std::uint8_t fill[padPiece];
    while (recordState.imageNext < address) {
        const std::uint32_t next = recordState.imageNext;
        const std::uint32_t count = address - next < padPiece ? address - next : padPiece;
        if (maySecurityByteLieIn(next, count)) {
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint8_t byte = settings.fillByte;
                if (maySecurityByteLie(recordState.imageNext))
                    byte = placeSecurityByte(recordState.imageNext, byte, stream);
                writeImageByte(byte, stream);
            }
        } else {
            std::memset(fill, settings.fillByte, count);
            writeImageBytes(fill, count, stream);
        }
    }
}

bool insideImage(std::uint32_t address) {
    return address >= recordState.imageStart && address <= recordState.imageEnd;
}

// The security bytes in force that the image does not reach cannot be written:
// say so, once per byte (the whole ID code at once when none of it fits).
void warnSecurityOutsideImage(std::FILE *stream) {
    if (hasFlag(flag::idCode)) {
        int outside = 0;
        for (int i = 0; i < idByteCount; ++i)
            if (!insideImage(settings.idAreaBase + settings.idAddressLow[i])) ++outside;
        if (outside == idByteCount) {
            char text[64];
            std::snprintf(text, sizeof text, "The ID code (%s to %s)",
                          formatAddress(settings.idAreaBase + settings.idAddressLow[0]).text,
                          formatAddress(settings.idAreaBase + settings.idAddressLow[idByteCount - 1]).text);
            warn(wrn::outsideBinaryImage, text);
        } else if (outside > 0) {
            for (int i = 0; i < idByteCount; ++i) {
                const std::uint32_t address = settings.idAreaBase + settings.idAddressLow[i];
                if (insideImage(address)) continue;
                char text[64];
                std::snprintf(text, sizeof text, "The ID code byte at %s", formatAddress(address).text);
                warn(wrn::outsideBinaryImage, text);
            }
        }
    }
    if (protectSubstituted(stream) && !insideImage(settings.protectAddress)) {
        char text[64];
        std::snprintf(text, sizeof text, "The protect byte at %s",
                      formatAddress(settings.protectAddress).text);
        warn(wrn::outsideBinaryImage, text);
    }
}

}  // namespace

void writeBinaryHeader(std::FILE *stream) {
    RecordState &state = recordState;
    const bool ranged = hasFlag(flag::rangeGiven);
    state.imageStart = ranged ? settings.rangeStart : settings.lowestSectionAddress;
    state.imageEnd = ranged ? settings.rangeEnd : settings.highestSectionAddress;
    state.imageNext = state.imageStart;
    state.imageBounded = true;
    state.binaryLength = state.imageEnd - state.imageStart + 9;
    for (int shift = 24; shift >= 0; shift -= 8)
        std::putc(static_cast<int>((state.binaryLength >> shift) & 0xFF), stream);
    warnSecurityOutsideImage(stream);
}

void padBinaryImage(std::uint32_t address, std::FILE *stream) {
    const RecordState &state = recordState;
    if (!state.imageBounded || state.imageEnd < state.imageStart) return;
    // The last address of the image is left to the data or to finishBinaryImage.
    padImageTo(address < state.imageEnd ? address : state.imageEnd, stream);
}

void putBinaryByte(std::uint8_t byte, std::FILE *stream) {
    RecordState &state = recordState;
    const std::uint32_t address = state.currentAddress++;
    if (!state.imageBounded) {
        // No header fixed the bounds: the bytes follow one another as they come.
        writeImageByte(byte, stream);
        return;
    }
    if (!insideImage(address)) {
        // Only data beyond its own sections gets here ("-A" clips before).
        if (!state.outsideDataReported) {
            state.outsideDataReported = true;
            char text[64];
            std::snprintf(text, sizeof text, "Data at %s", formatAddress(address).text);
            warn(wrn::outsideBinaryImage, text);
        }
        return;
    }
    if (address < state.imageNext)
        fatalError(err::binaryGoesBack, formatAddress(address).text, settings.inputName);
    padImageTo(address, stream);
    if (maySecurityByteLie(address)) byte = placeSecurityByte(address, byte, stream);
    writeImageByte(byte, stream);
}

void putBinaryBytes(const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    RecordState &state = recordState;
    const std::uint32_t first = state.currentAddress;
    const std::uint64_t end = std::uint64_t{first} + count;
    if (!state.imageBounded && end <= 0x100000000ULL) {
        state.currentAddress += count;
        writeImageBytes(bytes, count, stream);
        return;
    }
    // The whole run inside the image, at or after what is written, with no
    // security byte in it: padding, then the bytes as they are.
    const bool plain = state.imageBounded && first >= state.imageNext && first >= state.imageStart &&
                       end - 1 <= state.imageEnd && !maySecurityByteLieIn(first, count);
    if (!plain || count == 0) {
        for (std::uint32_t i = 0; i < count; ++i) putBinaryByte(bytes[i], stream);
        return;
    }
    padImageTo(first, stream);
    state.currentAddress += count;
    writeImageBytes(bytes, count, stream);
}

void finishBinaryImage(std::FILE *stream) {
    RecordState &state = recordState;
    if (state.imageBounded && state.imageEnd >= state.imageStart && state.imageNext <= state.imageEnd) {
        padImageTo(state.imageEnd, stream);
        std::uint8_t last = settings.fillByte;
        if (maySecurityByteLie(state.imageEnd)) last = placeSecurityByte(state.imageEnd, last, stream);
        writeImageByte(last, stream);  // separately, so an image ending at 0xFFFFFFFF cannot wrap
    }
    std::putc(static_cast<int>((state.binarySum >> 8) & 0xFF), stream);
    std::putc(static_cast<int>(state.binarySum & 0xFF), stream);
    std::putc(0, stream);
    std::putc(0, stream);
}
