#include "e2e/imageCheck.h"

#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

// The Verilog memory form that srec_cat writes: "@address" and then one byte per
// hexadecimal token, at ascending addresses; other lines are comments.
MemoryImage parseVmem(const std::string &text) {
    MemoryImage image;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] != '@') continue;
        std::istringstream tokens(line.substr(1));
        std::string token;
        tokens >> token;
        std::uint32_t address = static_cast<std::uint32_t>(std::stoul(token, nullptr, 16));
        while (tokens >> token) image[address++] = static_cast<std::uint8_t>(std::stoul(token, nullptr, 16));
    }
    return image;
}

}  // namespace

std::string readWithSrecCat(const std::string &fileText, TextForm form, MemoryImage &seen) {
    // srec_cat as found on PATH ("make check" installs it, Debian package srecord).
    const RunResult run = runProgram("/usr/bin/env",
                                     {"srec_cat", "image.txt", form == TextForm::sRecord ? "-motorola" : "-intel", "-o",
                                      "image.vmem", "-vmem", "8"},
                                     {{"image.txt", fileText}});
    if (run.exitStatus != 0) return "srec_cat refused the file (or is not installed): " + run.err;
    // Records out of ascending order are allowed (text outputs keep the walk
    // order); a byte given twice is not.
    if (run.err.find("redundant") != std::string::npos || run.err.find("contradictory") != std::string::npos)
        return "srec_cat found a byte given twice: " + run.err;
    const auto file = run.files.find("image.vmem");
    if (file == run.files.end()) return "srec_cat wrote no image";
    seen = parseVmem(file->second);
    return "";
}
