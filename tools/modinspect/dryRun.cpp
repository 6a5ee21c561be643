#include "dryRun.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace modinspect {
namespace {

std::string_view textOf(const std::vector<std::uint8_t> &bytes) {
    return std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

bool isHexForm(const std::string &extension) { return extension == ".hex" || extension == ".hcd" || extension == ".hdt"; }
bool isCodeFile(const std::string &extension) { return extension == ".mcd" || extension == ".hcd"; }
bool isImageFile(const std::string &extension) {
    return extension == ".mot" || extension == ".hex" || extension == ".mcd" || extension == ".mdt" ||
           extension == ".hcd" || extension == ".hdt";
}

// The text image files of a conversion, read back.
std::vector<WrittenImage> readBack(const romcast::Result &result) {
    std::vector<WrittenImage> images;
    for (const romcast::Output &output : result.outputs) {
        if (!isImageFile(output.extension)) continue;
        const std::string_view text = textOf(output.bytes);
        images.push_back(WrittenImage{output.extension,
                                      isHexForm(output.extension) ? decodeIntelHex(text) : decodeSRecords(text, 0xFFFFFFFF),
                                      isCodeFile(output.extension)});
    }
    // The ROM data file first: it holds the security bytes.
    std::stable_sort(images.begin(), images.end(), [](const WrittenImage &a, const WrittenImage &b) { return !a.code && b.code; });
    return images;
}

// Whether the payload of a binary image, placed at `start`, agrees with every
// byte the S-records of the same conversion place inside its span.
bool placedAt(std::span<const std::uint8_t> payload, std::uint32_t start, const MemoryImage &records) {
    const std::uint64_t end = std::uint64_t{start} + payload.size();
    if (payload.empty() || end - 1 > UINT32_MAX) return false;
    bool any = false;
    for (const MemoryImage::Byte &byte : records.bytes) {
        if (byte.address < start || byte.address >= end) continue;
        if (payload[byte.address - start] != byte.value) return false;
        any = true;
    }
    return any;
}

// The binary image of `binary` read back: the file does not say where it
// starts, so it is placed where the S-records of the same conversion agree
// with it (the range's start, the fill's start, or the module's first
// address). Security bytes that only the S-records carry as records of their
// own stay out, as they do of the binary file. None when no place agrees.
std::optional<WrittenImage> readBackBinary(const romcast::Output &binary, const WrittenImage &records,
                                           const romcast::Options &options, const romcast::Module &module) {
    // A 4-byte length, the image, a 16-bit sum and two zero bytes.
    if (binary.bytes.size() < 8) return std::nullopt;
    const std::span<const std::uint8_t> payload(binary.bytes.data() + 4, binary.bytes.size() - 8);
    if (payload.empty()) return WrittenImage{binary.extension, MemoryImage{}, false};
    std::vector<std::uint32_t> starts = {module.first};
    if (options.range) starts.push_back(options.range->start);
    if (options.fill && options.fill->start) starts.push_back(*options.fill->start);
    if (!records.memory.bytes.empty()) starts.push_back(records.memory.bytes.front().address);
    for (const std::uint32_t start : starts) {
        if (!placedAt(payload, start, records.memory)) continue;
        WrittenImage image{binary.extension, MemoryImage{}, false};
        image.memory.bytes.reserve(payload.size());
        for (std::size_t i = 0; i < payload.size(); ++i)
            image.memory.bytes.push_back(MemoryImage::Byte{static_cast<std::uint32_t>(start + i), payload[i]});
        return image;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint8_t> DryRun::byteAt(std::uint32_t address) const {
    for (const WrittenImage &image : images) {
        const auto found = std::lower_bound(image.memory.bytes.begin(), image.memory.bytes.end(), address,
                                            [](const MemoryImage::Byte &byte, std::uint32_t a) { return byte.address < a; });
        if (found != image.memory.bytes.end() && found->address == address) return found->value;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> DryRun::first() const {
    std::optional<std::uint32_t> lowest;
    for (const WrittenImage &image : images)
        if (!image.memory.bytes.empty() && (!lowest || image.memory.bytes.front().address < *lowest))
            lowest = image.memory.bytes.front().address;
    return lowest;
}

std::optional<std::uint32_t> DryRun::last() const {
    std::optional<std::uint32_t> highest;
    for (const WrittenImage &image : images)
        if (!image.memory.bytes.empty() && (!highest || image.memory.bytes.back().address > *highest))
            highest = image.memory.bytes.back().address;
    return highest;
}

DryRun dryRun(std::span<const std::uint8_t> bytes, const romcast::Options &options) {
    DryRun run;
    run.bytes.assign(bytes.begin(), bytes.end());
    run.options = options;
    try {
        run.module = romcast::readModule(bytes);
    } catch (const romcast::Error &) {
        // The conversion below says why, in its own words and order.
    }
    try {
        run.result = romcast::convert(bytes, options);
        if (options.form != romcast::OutputForm::binary) {
            run.images = readBack(run.result);
        } else {
            romcast::Options asText = options;
            asText.form = romcast::OutputForm::sRecords;
            run.images = readBack(romcast::convert(bytes, asText));
            for (const romcast::Output &output : run.result.outputs) {
                if (output.extension != ".bin" || run.images.size() != 1 || !run.module) continue;
                if (std::optional<WrittenImage> binary = readBackBinary(output, run.images.front(), options, *run.module))
                    run.images = {std::move(*binary)};
            }
            for (WrittenImage &image : run.images) image.extension = ".bin";
        }
    } catch (const romcast::Error &error) {
        run.error = error;
    }
    return run;
}

}  // namespace modinspect
