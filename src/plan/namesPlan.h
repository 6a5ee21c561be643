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

struct RunSettings;

// The names of the input and the outputs and the entry address, from the
// command line (error 0 for an input without an extension, errors 6 and 9 for
// an "-e" text that is no address of the target).
NamesPlan deriveNames(const RunSettings &settings);
// The "-e" text's address (errors 6 and 9 as above).
std::uint32_t parseEntryAddress(const RunSettings &settings, const char *text);
// The ID report's name: beside the image, an "-o" name with the image's own
// extension has it replaced, any other name has ".id" added.
std::string idReportName(const NamesPlan &names, const RunSettings &settings);
