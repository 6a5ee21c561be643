#include "records/binaryImage.h"

#include <cstdio>

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "common/console.h"
#include "common/messages.h"
#include "common/runError.h"
#include "records/securityBytes.h"

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

// Padding goes out in pieces of this size, so that a long gap still lets an
// interrupt through between them.
constexpr std::uint32_t padPiece = 4096;

}  // namespace

// One write, and a progress event for each byte, counted at once.
void BinaryImageWriter::writeImageBytes(ByteSpan bytes) {
    sink.write(bytes);
    std::uint32_t added = 0;
    for (const std::uint8_t byte : bytes) added += byte;
    sum += added;
    const auto count = static_cast<std::uint32_t>(bytes.size());
    imageNext += count;
    run.progress.tickTimes(count);
}

// Pads the image with the fill byte up to `address` (exclusive). The ID code and
// the protect byte land in the padding as they would in data.
void BinaryImageWriter::padImageTo(std::uint32_t address) {
    while (imageNext < address) {
        const std::uint32_t count = address - imageNext < padPiece ? address - imageNext : padPiece;
        const std::uint32_t plain = bytesBeforeSecurity(plan.security, imageNext, count);
        if (plain == 0) {
            const std::uint8_t byte = securityByteAt(imageNext, fill[0]);
            writeImageBytes(ByteSpan(&byte, 1));
        } else {
            writeImageBytes(ByteSpan(fill, plain));
        }
    }
}

// The security bytes in force that the image does not reach cannot be written:
// say so, once per byte (the whole ID code at once when none of it fits).
void BinaryImageWriter::warnSecurityOutsideImage() {
    const SecurityPlan &security = plan.security;
    if (security.has(flag::idCode)) {
        int outside = 0;
        for (const std::uint32_t address : security.idAddresses)
            if (!insideImage(address)) ++outside;
        if (outside == idByteCount) {
            char text[64];
            std::snprintf(text, sizeof text, "The ID code (%s to %s)",
                          formatAddress(security.idAddresses.front()).text,
                          formatAddress(security.idAddresses.back()).text);
            run.console.warn(wrn::outsideBinaryImage, text);
        } else if (outside > 0) {
            for (const std::uint32_t address : security.idAddresses) {
                if (insideImage(address)) continue;
                char text[64];
                std::snprintf(text, sizeof text, "The ID code byte at %s", formatAddress(address).text);
                run.console.warn(wrn::outsideBinaryImage, text);
            }
        }
    }
    if (holdsProtect() && !insideImage(security.protectAddress)) {
        char text[64];
        std::snprintf(text, sizeof text, "The protect byte at %s", formatAddress(security.protectAddress).text);
        run.console.warn(wrn::outsideBinaryImage, text);
    }
}

void BinaryImageWriter::writeHeaderRecord() {
    const bool ranged = plan.range.clipsToRange;
    imageStart = ranged ? plan.range.rangeStart : plan.extent.lowest;
    imageEnd = ranged ? plan.range.rangeEnd : plan.extent.highest;
    imageNext = imageStart;
    const std::uint32_t length = imageEnd - imageStart + 9;
    const std::uint8_t header[4] = {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    sink.write(header);
    warnSecurityOutsideImage();
}

void BinaryImageWriter::fillTo(std::uint32_t target, bool atAddressRecord) {
    if (!atAddressRecord || imageEnd < imageStart) return;
    // The last address of the image is left to the data or to writeEndRecord.
    padImageTo(target < imageEnd ? target : imageEnd);
}

void BinaryImageWriter::putRun(const std::uint8_t *bytes, std::uint32_t count) {
    while (count > 0) {
        const std::uint32_t address = state.currentAddress;
        if (!insideImage(address)) {
            // Only data beyond its own sections gets here ("-A" clips before).
            if (!outsideDataReported) {
                outsideDataReported = true;
                char text[64];
                std::snprintf(text, sizeof text, "Data at %s", formatAddress(address).text);
                run.console.warn(wrn::outsideBinaryImage, text);
            }
            // Up to the image start, or to the end of the run above the image.
            const std::uint32_t toImage = address < imageStart ? imageStart - address : count;
            const std::uint32_t skipped = count < toImage ? count : toImage;
            state.currentAddress += skipped;
            bytes += skipped;
            count -= skipped;
            continue;
        }
        if (address < imageNext) fatalError(err::binaryGoesBack, formatAddress(address).text, run.module.name);
        const std::uint32_t inside = imageEnd - address < count - 1 ? imageEnd - address + 1 : count;
        padImageTo(address);
        state.currentAddress += inside;
        writeImageBytes(ByteSpan(bytes, inside));
        bytes += inside;
        count -= inside;
    }
}

void BinaryImageWriter::writeEndRecord(std::uint32_t) {
    if (imageEnd >= imageStart && imageNext <= imageEnd) {
        padImageTo(imageEnd);
        std::uint8_t last = fill[0];
        if (maySecurityByteLie(plan.security, imageEnd)) last = securityByteAt(imageEnd, last);
        writeImageBytes(ByteSpan(&last, 1));  // separately, so an image ending at 0xFFFFFFFF cannot wrap
    }
    const std::uint8_t trailer[4] = {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum), 0, 0};
    sink.write(trailer);
}
