// The section part: one reader for the tree path and for "-N".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "module/moduleFormat.h"

class ModuleReader;
struct ModuleExtent;

// One section: the ST record and the ASS and ASL records after it.
struct SectionRecord {
    std::uint32_t index;
    std::uint32_t letters;  // type letters, the last one in the low byte
    std::string_view name;  // at most 255 characters
    std::uint32_t size;
    std::uint32_t base;

    // 'D' sections load nothing.
    bool loadsNothing() const { return (letters & 0xFF) == moduleFormat::letterD; }
};

// The next section, or none when the next record is not ST (only its type is
// then taken). A broken section raises.
std::optional<SectionRecord> readSection(ModuleReader &reader);

// Widens the module's extent (and above1MB) to hold the section's bytes.
ModuleExtent widenExtent(ModuleExtent extent, const SectionRecord &section);
