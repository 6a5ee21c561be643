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
            for (WrittenImage &image : run.images) image.extension = ".bin";
        }
    } catch (const romcast::Error &error) {
        run.error = error;
    }
    return run;
}

}  // namespace modinspect
