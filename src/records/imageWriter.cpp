#include "records/imageWriter.h"

#include <cstring>

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "records/securityBytes.h"

namespace {

constexpr std::uint64_t addressSpace = 0x100000000ULL;

std::uint32_t smaller(std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>(a < b ? a : b); }

}  // namespace

ImageWriter::ImageWriter(const ImagePlan &imagePlan, const WriterContext &context, OutputSink &output,
                         bool holdsProtect)
    : plan(imagePlan),
      run(context),
      sink(output),
      protectHeld(holdsProtect),
      clipsToRange(imagePlan.range.clipsToRange),
      idPage(imagePlan.security.idAreaBase),
      protectAddress(imagePlan.security.protectAddress) {
    std::memset(fill, imagePlan.range.fillByte, sizeof fill);
}

// The run in pieces: clipped to the "-A" range, split before every address that
// may hold a security byte and at the wrap past 0xFFFFFFFF.
void ImageWriter::putImagePieces(ByteSpan bytes) {
    const RangePlan &range = plan.range;
    const std::uint8_t *at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::uint32_t address = state.currentAddress;
        // A piece never runs past 0xFFFFFFFF: the address wraps there as it would
        // byte by byte.
        std::uint32_t count = smaller(left, addressSpace - address);
        if (clipsToRange) {
            if (address < range.rangeStart) {
                count = smaller(count, range.rangeStart - address);
                skipBelowRange(count);
                at += count;
                left -= count;
                continue;
            }
            if (address > range.rangeEnd) {
                state.currentAddress += count;
                at += count;
                left -= count;
                continue;
            }
            count = smaller(count, std::uint64_t{range.rangeEnd} - address + 1);
        }
        const std::uint32_t plain = bytesBeforeSecurity(plan.security, address, count);
        if (plain == 0) {
            const std::uint8_t byte = securityByteAt(address, *at);
            putRun(&byte, 1);
            ++at;
            --left;
            continue;
        }
        putRun(at, plain);
        at += plain;
        left -= plain;
    }
}

void ImageWriter::putRepeatedBytes(ByteSpan bytes, std::uint32_t passes) {
    const std::size_t count = bytes.size();
    // An empty run writes nothing however often it is repeated, and a repeat
    // count can reach four thousand million.
    if (count == 0) return;
    if (passes == 1 || count > sizeof repeated / 2) {
        for (std::uint32_t pass = 0; pass < passes; ++pass) putImageBytes(bytes);
        return;
    }
    // A short run repeated many times goes out as longer runs of whole repetitions.
    const std::uint32_t perBlock = static_cast<std::uint32_t>(sizeof repeated / count);
    // The block doubles from one copy: few calls however short the run.
    const std::size_t blockSize = perBlock * count;
    std::memcpy(repeated, bytes.data(), count);
    for (std::size_t filled = count; filled < blockSize;) {
        const std::size_t now = filled < blockSize - filled ? filled : blockSize - filled;
        std::memcpy(repeated + filled, repeated, now);
        filled += now;
    }
    for (std::uint32_t left = passes; left > 0;) {
        const std::uint32_t now = left < perBlock ? left : perBlock;
        putImageBytes(ByteSpan(repeated, now * count));
        left -= now;
    }
}

void ImageWriter::putFillBytes(std::uint32_t count) {
    while (count > 0) {
        const std::uint32_t now = smaller(count, sizeof fill);
        putImageBytes(ByteSpan(fill, now));
        count -= now;
    }
}

std::uint8_t ImageWriter::securityByteAt(std::uint32_t address, std::uint8_t byte) {
    const SecurityPlan &security = plan.security;
    for (std::size_t i = 0; i < security.idAddresses.size(); ++i) {
        if (address != security.idAddresses[i]) continue;
        state.securityWritten |= 1u << i;
        if (security.has(flag::idCode)) byte = security.idBytes[i];
        break;
    }
    // Tested after the ID code, so at a shared address the protect byte wins.
    if (address == security.protectAddress) {
        state.securityWritten |= securityBits::protect;
        if (holdsProtect()) byte = static_cast<std::uint8_t>(security.protectValue);
    }
    return byte;
}
