// The name of an output's temporary file, the same on every system: hidden
// (a leading dot), named after the output while that fits in a directory
// entry, and ended by six random letters or digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The temporary's name without its random letters, for the output `finalName`
// whose file name begins at `baseStart`.
inline std::string temporaryPrefix(const std::string &finalName, std::size_t baseStart) {
    constexpr std::size_t maxBaseLength = 255;
    std::string prefix = finalName.substr(0, baseStart);
    if (finalName.size() - baseStart + 8 <= maxBaseLength)
        prefix.append(".").append(finalName, baseStart).append(".");
    else
        prefix.append(".romcast.");
    return prefix;
}

// Six letters or digits, the generator `state` stepped on for each.
inline std::string randomLetters(std::uint64_t &state) {
    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string chosen;
    for (int i = 0; i < 6; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        chosen += letters[(state >> 33) % (sizeof letters - 1)];
    }
    return chosen;
}

}  // namespace platform
