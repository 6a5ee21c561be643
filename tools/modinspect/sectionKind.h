// What a section holds, by the last of its type letters: 'D' RAM data, 'P'
// code, 'R' ROM data.
#pragma once

#include <romcast/romcast.h>

namespace modinspect {

inline char lastLetter(const romcast::Section &section) {
    return section.kind.empty() ? '\0' : section.kind.back();
}

}  // namespace modinspect
