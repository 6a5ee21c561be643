// Builds module bytes for the reader tests and hands them to the reader through a
// temporary file, which seeks and pushes back like the real input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "driver/runSettings.h"
#include "ieee695/moduleTrees.h"

using Bytes = std::vector<std::uint8_t>;

inline void addBytes(Bytes &out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

// A number in its shortest form.
inline void addNumber(Bytes &out, std::uint32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    int count = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
    out.push_back(static_cast<std::uint8_t>(0x80 + count));
    for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A number in the four-byte long form (offsets that are patched later).
inline void addLongNumber(Bytes &out, std::uint32_t value) {
    out.push_back(0x84);
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void addName(Bytes &out, const std::string &name) {
    const std::size_t n = name.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 0x100) {
        addBytes(out, {0xDE, static_cast<int>(n)});
    } else {
        addBytes(out, {0xDF, static_cast<int>(n >> 8), static_cast<int>(n & 0xFF)});
    }
    out.insert(out.end(), name.begin(), name.end());
}

inline void addType(Bytes &out, std::int32_t type) {
    if (type > 0xFF) out.push_back(static_cast<std::uint8_t>(type >> 8));
    out.push_back(static_cast<std::uint8_t>(type & 0xFF));
}

// Type letters: 'A' is 0xC1.
inline void addLetters(Bytes &out, const std::string &letters) {
    for (char c : letters) out.push_back(static_cast<std::uint8_t>(0xC0 + (c - '@')));
}

// A temporary file holding `bytes`, positioned at its start; closed with fclose.
inline std::FILE *openBytes(const Bytes &bytes) {
    std::FILE *file = std::tmpfile();
    if (file == nullptr) return nullptr;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

// A module of sections and units. Fields the tests vary are plain data.
struct TestSection {
    std::uint32_t index;
    std::string letters;  // e.g. "AP"; the last letter decides the kind
    std::string name;
    std::uint32_t size;
    std::uint32_t base;
};

struct TestUnit {
    std::uint32_t section;
    std::uint32_t address;
    int byteCount;  // data bytes of its LD record
};

struct TestModule {
    std::string processor = "TQ40";
    std::vector<TestSection> sections;
    std::vector<TestUnit> units;
    Bytes rawSections = {};  // written after the sections
    Bytes rawData = {};      // written after the units
    Bytes trailer = {0xE2, 0xC7, 0x00, 0xE1};  // ASG 0, ME
};

// The file offsets of a built module's parts and of each unit's ASP record.
struct BuiltModule {
    Bytes bytes;
    std::uint32_t sectionPart = 0;
    std::uint32_t dataPart = 0;
    std::uint32_t trailerPart = 0;
    std::vector<std::uint32_t> unitSeeks;
};

inline void patchLongNumber(Bytes &out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + 1 + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

inline BuiltModule buildModule(const TestModule &module) {
    BuiltModule built;
    Bytes &out = built.bytes;
    addType(out, 0xE0);
    addName(out, module.processor);
    addName(out, "app");
    addType(out, 0xEC);
    addBytes(out, {8, 4, 0xCD});
    std::size_t patch[4];
    const int indexes[4] = {1, 2, 5, 6};
    for (int i = 0; i < 4; ++i) {
        addType(out, 0xE2D7);
        addNumber(out, static_cast<std::uint32_t>(indexes[i]));
        patch[i] = out.size();
        addLongNumber(out, 0);
    }
    const auto environmentPart = static_cast<std::uint32_t>(out.size());
    addType(out, 0xF0);
    addNumber(out, 1);
    addName(out, "app");
    addType(out, 0xF1CE);
    addBytes(out, {0, 0, 38, 1});

    built.sectionPart = static_cast<std::uint32_t>(out.size());
    for (const TestSection &s : module.sections) {
        addType(out, 0xE6);
        addNumber(out, s.index);
        addLetters(out, s.letters);
        addName(out, s.name);
        addType(out, 0xE7);
        addNumber(out, s.index);
        addNumber(out, 2);
        addType(out, 0xE2D3);
        addNumber(out, s.index);
        addNumber(out, s.size);
        addType(out, 0xE2CC);
        addNumber(out, s.index);
        addNumber(out, s.base);
    }
    out.insert(out.end(), module.rawSections.begin(), module.rawSections.end());
    built.dataPart = static_cast<std::uint32_t>(out.size());
    for (const TestUnit &u : module.units) {
        addType(out, 0xE5);
        addNumber(out, u.section);
        built.unitSeeks.push_back(static_cast<std::uint32_t>(out.size()));
        addType(out, 0xE2D0);
        addNumber(out, u.section);
        addNumber(out, u.address);
        addType(out, 0xED);
        out.push_back(static_cast<std::uint8_t>(u.byteCount));
        for (int i = 0; i < u.byteCount; ++i) out.push_back(static_cast<std::uint8_t>(i));
    }
    out.insert(out.end(), module.rawData.begin(), module.rawData.end());
    // The trailer part must not be at offset 0, even when there is no trailer.
    built.trailerPart = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), module.trailer.begin(), module.trailer.end());

    patchLongNumber(out, patch[0], environmentPart);
    patchLongNumber(out, patch[1], built.sectionPart);
    patchLongNumber(out, patch[2], built.dataPart);
    patchLongNumber(out, patch[3], built.trailerPart);
    return built;
}

// The run settings for reading `bytes` as the input module "app.tqx". The banner
// counts as shown and every progress event counts, so tests can count them.
inline void startReading(const Bytes &bytes, std::uint32_t flags = 0) {
    initRunSettings();
    clearModuleTrees();
    settings.flags = flag::bannerShown | flags;
    settings.readingPhase = 0;
    settings.inputName = "app.tqx";
    settings.inputFile = openBytes(bytes);
}

inline void finishReading() {
    std::fclose(settings.inputFile);
    settings.inputFile = nullptr;
}

// `text` as a regular expression that matches exactly it.
inline std::string literally(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (std::string(".()[]{}*+?^$|\\").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}

// A statement that must end the run with `status`, printing `message` (the error
// line without its prefix). Console output goes to standard output; the death
// test sees standard error, so the child joins the two.
#define EXPECT_RUN_ENDS(statement, status, message)                                          \
    EXPECT_EXIT(                                                                             \
        {                                                                                    \
            dup2(2, 1);                                                                      \
            statement;                                                                       \
        },                                                                                   \
        testing::ExitedWithCode(status), literally(std::string("Error (romcast): ") + (message)))
