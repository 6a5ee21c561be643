// What the names step makes of the command line, once, for every later step.
#pragma once

#include <cstdint>
#include <string>

struct NamesPlan {
    std::string inputStem;            // the input's name without its extension
    std::string inputDir;             // its directory part; "" in the working directory
    std::string outputBase;           // "-o" (a bare name beside the input), else the input's stem
    bool outputHasExtension = false;  // the "-o" name carries its own extension
    std::uint32_t entryAddress = 0;   // "-e", else 0; without "-e" the module's own wins
};
