// What a conversion with given options will make of a module, asked of the
// converter itself (the library's readModule and convert into memory): the
// module as it reads it, its refusal or its outputs and warnings, the security
// bytes it was asked to place, and the outputs read back into memory images.
// The pre-flight and the memory map both look at nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "imageDecoder.h"

namespace modinspect {

// One image file of the conversion, read back: the single image, or the CODE
// file (".mcd"/".hcd") and the ROM data file (".mdt"/".hdt") of a dual-area run.
struct WrittenImage {
    std::string extension;
    MemoryImage memory;  // every byte the file places, by address
    bool code = false;   // the CODE file of a dual-area run
};

struct DryRun {
    std::vector<std::uint8_t> bytes;        // the module, for a second run with other options
    romcast::Options options;
    std::optional<romcast::Module> module;  // none when reading the module failed
    std::optional<romcast::Error> error;    // the conversion's refusal, as the command line reports it
    romcast::Result result;                 // outputs, warnings, security bytes asked for
    std::vector<WrittenImage> images;       // empty when it failed

    // The byte the images place at `address`, if any (the ROM data file's first).
    std::optional<std::uint8_t> byteAt(std::uint32_t address) const;
    // The lowest and highest address the images place a byte at; none when empty.
    std::optional<std::uint32_t> first() const;
    std::optional<std::uint32_t> last() const;
};

// Reads and converts the module in `bytes` as romcast would with `options`. A
// binary image is placed where the S-records of the same conversion agree with
// it, the file itself not saying where it starts; when no place agrees, the
// S-records stand for it.
DryRun dryRun(std::span<const std::uint8_t> bytes, const romcast::Options &options);

}  // namespace modinspect
