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

#include "core/conversion.h"
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

void writeImageByte(Conversion &conv, std::uint8_t byte, std::FILE *stream) {
    std::putc(byte, stream);
    conv.recordState.binarySum += byte;
    ++conv.recordState.imageNext;
    tickProgress(conv);
}

// writeImageByte for each of `count` bytes: one write, and the progress events
// counted at once.
void writeImageBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    std::fwrite(bytes, 1, count, stream);
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < count; ++i) sum += bytes[i];
    conv.recordState.binarySum += sum;
    conv.recordState.imageNext += count;
    tickProgressTimes(conv, count);
}

// Padding goes out in pieces of this size, so that a long gap still lets an
// interrupt through between them.
constexpr std::uint32_t padPiece = 4096;

// Pads the image with the fill byte up to `address` (exclusive). The ID code and
// the protect byte land in the padding as they would in data.
void padImageTo(Conversion &conv, std::uint32_t address, std::FILE *stream) {
    while (conv.recordState.imageNext < address) {
        const std::uint32_t next = conv.recordState.imageNext;
        const std::uint32_t count = address - next < padPiece ? address - next : padPiece;
        if (maySecurityByteLieIn(conv, next, count)) {
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint8_t byte = conv.settings.fillByte;
                if (maySecurityByteLie(conv, conv.recordState.imageNext))
                    byte = placeSecurityByte(conv, conv.recordState.imageNext, byte, stream);
                writeImageByte(conv, byte, stream);
            }
        } else {
            std::memset(conv.writerBuffers.fill, conv.settings.fillByte, count);
            writeImageBytes(conv, conv.writerBuffers.fill, count, stream);
        }
    }
}

bool insideImage(Conversion &conv, std::uint32_t address) {
    return address >= conv.recordState.imageStart && address <= conv.recordState.imageEnd;
}

// The security bytes in force that the image does not reach cannot be written:
// say so, once per byte (the whole ID code at once when none of it fits).
void warnSecurityOutsideImage(Conversion &conv, std::FILE *stream) {
    if (conv.settings.has(flag::idCode)) {
        int outside = 0;
        for (int i = 0; i < idByteCount; ++i)
            if (!insideImage(conv, conv.settings.idAreaBase + conv.settings.idAddressLow[i])) ++outside;
        if (outside == idByteCount) {
            char text[64];
            std::snprintf(text, sizeof text, "The ID code (%s to %s)",
                          formatAddress(conv.settings.idAreaBase + conv.settings.idAddressLow[0]).text,
                          formatAddress(conv.settings.idAreaBase + conv.settings.idAddressLow[idByteCount - 1]).text);
            warn(conv, wrn::outsideBinaryImage, text);
        } else if (outside > 0) {
            for (int i = 0; i < idByteCount; ++i) {
                const std::uint32_t address = conv.settings.idAreaBase + conv.settings.idAddressLow[i];
                if (insideImage(conv, address)) continue;
                char text[64];
                std::snprintf(text, sizeof text, "The ID code byte at %s", formatAddress(address).text);
                warn(conv, wrn::outsideBinaryImage, text);
            }
        }
    }
    if (protectSubstituted(conv, stream) && !insideImage(conv, conv.settings.protectAddress)) {
        char text[64];
        std::snprintf(text, sizeof text, "The protect byte at %s",
                      formatAddress(conv.settings.protectAddress).text);
        warn(conv, wrn::outsideBinaryImage, text);
    }
}

}  // namespace

void writeBinaryHeader(Conversion &conv, std::FILE *stream) {
    RecordState &state = conv.recordState;
    const bool ranged = conv.settings.has(flag::rangeGiven);
    state.imageStart = ranged ? conv.settings.rangeStart : conv.settings.lowestSectionAddress;
    state.imageEnd = ranged ? conv.settings.rangeEnd : conv.settings.highestSectionAddress;
    state.imageNext = state.imageStart;
    state.imageBounded = true;
    state.binaryLength = state.imageEnd - state.imageStart + 9;
    for (int shift = 24; shift >= 0; shift -= 8)
        std::putc(static_cast<int>((state.binaryLength >> shift) & 0xFF), stream);
    warnSecurityOutsideImage(conv, stream);
}

void padBinaryImage(Conversion &conv, std::uint32_t address, std::FILE *stream) {
    const RecordState &state = conv.recordState;
    if (!state.imageBounded || state.imageEnd < state.imageStart) return;
    // The last address of the image is left to the data or to finishBinaryImage.
    padImageTo(conv, address < state.imageEnd ? address : state.imageEnd, stream);
}

void putBinaryByte(Conversion &conv, std::uint8_t byte, std::FILE *stream) {
    RecordState &state = conv.recordState;
    const std::uint32_t address = state.currentAddress++;
    if (!state.imageBounded) {
        // No header fixed the bounds: the bytes follow one another as they come.
        writeImageByte(conv, byte, stream);
        return;
    }
    if (!insideImage(conv, address)) {
        // Only data beyond its own sections gets here ("-A" clips before).
        if (!state.outsideDataReported) {
            state.outsideDataReported = true;
            char text[64];
            std::snprintf(text, sizeof text, "Data at %s", formatAddress(address).text);
            warn(conv, wrn::outsideBinaryImage, text);
        }
        return;
    }
    if (address < state.imageNext)
        fatalError(err::binaryGoesBack, formatAddress(address).text, conv.settings.inputName.c_str());
    padImageTo(conv, address, stream);
    if (maySecurityByteLie(conv, address)) byte = placeSecurityByte(conv, address, byte, stream);
    writeImageByte(conv, byte, stream);
}

void putBinaryBytes(Conversion &conv, const std::uint8_t *bytes, std::uint32_t count, std::FILE *stream) {
    RecordState &state = conv.recordState;
    const std::uint32_t first = state.currentAddress;
    const std::uint64_t end = std::uint64_t{first} + count;
    if (!state.imageBounded && end <= 0x100000000ULL) {
        state.currentAddress += count;
        writeImageBytes(conv, bytes, count, stream);
        return;
    }
    // The whole run inside the image, at or after what is written, with no
    // security byte in it: padding, then the bytes as they are.
    const bool plain = state.imageBounded && first >= state.imageNext && first >= state.imageStart &&
                       end - 1 <= state.imageEnd && !maySecurityByteLieIn(conv, first, count);
    if (!plain || count == 0) {
        for (std::uint32_t i = 0; i < count; ++i) putBinaryByte(conv, bytes[i], stream);
        return;
    }
    padImageTo(conv, first, stream);
    state.currentAddress += count;
    writeImageBytes(conv, bytes, count, stream);
}

void finishBinaryImage(Conversion &conv, std::FILE *stream) {
    RecordState &state = conv.recordState;
    if (state.imageBounded && state.imageEnd >= state.imageStart && state.imageNext <= state.imageEnd) {
        padImageTo(conv, state.imageEnd, stream);
        std::uint8_t last = conv.settings.fillByte;
        if (maySecurityByteLie(conv, state.imageEnd)) last = placeSecurityByte(conv, state.imageEnd, last, stream);
        writeImageByte(conv, last, stream);  // separately, so an image ending at 0xFFFFFFFF cannot wrap
    }
    std::putc(static_cast<int>((state.binarySum >> 8) & 0xFF), stream);
    std::putc(static_cast<int>(state.binarySum & 0xFF), stream);
    std::putc(0, stream);
    std::putc(0, stream);
}
