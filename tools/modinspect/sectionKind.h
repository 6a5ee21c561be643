// A section's type letters as text. The library hands them on as the module
// writes them, one byte a letter from 0xC0 ('@') to 0xD8 ('X'); plain
// letters pass unchanged.
#pragma once

#include <string>

#include <romcast/romcast.h>

namespace modinspect {

inline std::string kindLetters(const romcast::Section &section) {
    std::string letters = section.kind;
    for (char &c : letters) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xC0 && byte <= 0xDA) c = static_cast<char>(byte - 0x80);
    }
    return letters;
}

// The last letter says what the section holds: 'D' RAM data, 'P' code, 'R' ROM data.
inline char lastLetter(const romcast::Section &section) {
    const std::string letters = kindLetters(section);
    return letters.empty() ? '\0' : letters.back();
}

}  // namespace modinspect
