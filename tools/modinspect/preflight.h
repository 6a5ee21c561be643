// The pre-flight of "--check": one line for each thing a conversion of the
// module would do silently or only warn about.
#pragma once

#include <cstdint>
#include <span>

#include "moduleView.h"

namespace modinspect {

// Where a conversion puts the security bytes, and how far the family's address
// space reaches, by the target option.
struct Family {
    const char *option;       // the command-line option, "" for the TQ40 family
    std::uint64_t last;       // the last address of the space; the protect byte goes there
    std::uint64_t idPage;     // the page of the ID code bytes
    bool warnsAbove;          // romcast itself warns "Address exceed" above `last`
};

inline constexpr Family families[] = {
    {"", 0xFFFFF, 0xFFF00, true},
    {"-TQ8", 0xFFFF, 0xFF00, true},
    {"-TQ8E", 0xFFFF, 0xFF00, false},
    {"-TQ8N", 0xFFFF, 0xFF00, false},
};


// Prints the findings for the module of `bytes`; 0 when there are none, else 1.
// What the module's ID texts do is asked of the converter's own steps.
int checkModule(const ModuleView &view, std::span<const std::uint8_t> bytes, const Family &family);

}  // namespace modinspect
