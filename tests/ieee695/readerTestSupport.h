// Module bytes for the reader tests, handed to the reader through a temporary
// file (it seeks and pushes back like the real input), and module texts for the
// assembler.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testConversion.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"

// Bytes written in hexadecimal, blanks ignored: "E2 D7 01".
inline std::string hexBytes(const std::string &text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') continue;
        bytes += static_cast<char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16));
        ++i;
    }
    return bytes;
}

// A module text; each field holds whole lines.
struct ModuleText {
    std::string processor = "TQ40";
    std::string partOffsets = "ASW 1 $env\nASW 2 $sections\nASW 5 $data\nASW 6 $trailer\n";
    std::string afterOffsets = "NN 1 \"app\"\n";
    std::string attributes = "ATN 0 0 38 1\n";
    std::string sections = "ST 1 @AP \"P\"\nSA 1 2\nASS 1 4\nASL 1 0x1000\n";
    std::string data = "SB 1\nASP 1 0x1000\nLD 01 02 03 04\n";
    std::string trailer = "ASG 0x1000\nME\n";
};

inline std::string moduleText(const ModuleText &m) {
    return "MB \"" + m.processor + "\" \"app\"\nAD 8 4 @M\n" + m.partOffsets + "$env:\n" + m.afterOffsets +
           m.attributes + "$sections:\n" + m.sections + "$data:\n" + m.data + "$trailer:\n" + m.trailer;
}

// The run settings for reading `bytes` as the input module "app.tqx". The banner
// counts as shown and every progress event counts, so tests can count them.
inline void startReading(const std::string &bytes, std::uint32_t flags = 0) {
    initRunSettings(conv);
    clearModuleTrees(conv);
    conv.settings.flags = flag::bannerShown | flags;
    conv.settings.readingPhase = 0;
    conv.settings.inputName = "app.tqx";
    conv.settings.inputFile = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), conv.settings.inputFile);
    std::rewind(conv.settings.inputFile);
}

inline void finishReading() {
    std::fclose(conv.settings.inputFile);
    conv.settings.inputFile = nullptr;
}

// A statement that must end the run with `status`, reporting the error line
// `message` (without its prefix).
#define EXPECT_RUN_ENDS(statement, expectedStatus, expectedMessage)                                  \
    try {                                                                            \
        statement;                                                                   \
        ADD_FAILURE() << "the run did not end";                                      \
    } catch (const RunError &error) {                                                \
        EXPECT_EQ(error.status, expectedStatus);                                             \
        EXPECT_EQ(error.message, std::string("Error (romcast): ") + (expectedMessage) + "\n"); \
    }
