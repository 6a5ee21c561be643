// Support of the fault and output tests: modules made to size, a directory of
// a test's own (optionally a tmpfs), and files written beside the harness.
#pragma once

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

// A sound module whose data part comes last, so that its units can be
// repeated without moving any other part: one section of 1 MB at 0 and `copies`
// times the unit bytes `unit`, before the closing ME.
inline std::string moduleWithUnits(const std::string &unit, std::size_t copies) {
    std::string module = assembleModule(R"(MB "TQ40" "big"
AD 8 4 @M
ASW 1 $env
ASW 2 $sections
ASW 5 $data
ASW 6 $trailer
$env:
NN 1 "big"
ATN 0 0 38 1
$sections:
ST 1 @AP "P"
SA 1 2
ASS 1 0x100000
ASL 1 0
$trailer:
ASG 0
$data:
SB 1
ME
)");
    if (module.empty()) return module;
    std::string units;
    units.reserve(unit.size() * copies);
    for (std::size_t i = 0; i < copies; ++i) units += unit;
    return module.insert(module.size() - 1, units);
}

// A unit at 0 loading `kilobytes` KB (ASP 1 0, then LD records of 256 bytes).
inline std::string loadingUnit(std::size_t kilobytes) {
    std::string unit("\xE2\xD0\x01\x00", 4);
    for (std::size_t i = 0; i < kilobytes * 4; ++i) {
        unit += "\xED\x80";
        unit += std::string(128, '\x5A');
        unit += "\xED\x80";
        unit += std::string(128, '\xA5');
    }
    return unit;
}

// A unit for each byte of the megabyte, in address order, each loading one
// byte: the slowest kind of module to convert, since every unit is read again
// at its own offset and written as a record of its own.
inline std::string byteUnits() {
    std::string units;
    for (std::uint32_t address = 0; address < 0x100000; ++address) {
        units += std::string("\xE2\xD0\x01", 3);  // ASP 1
        if (address < 0x80) {
            units += static_cast<char>(address);
        } else {
            units += '\x84';
            for (int shift = 24; shift >= 0; shift -= 8) units += static_cast<char>(address >> shift);
        }
        units += "\xED\x01";  // LD of one byte
        units += static_cast<char>(address);
    }
    return units;
}

// A directory of the test's own, removed with what it holds at the end;
// optionally a tmpfs mounted there (the tests run as root in CI; elsewhere
// the mount fails and `mounted` stays false).
struct TestDir {
    std::string path;
    bool mounted = false;

    explicit TestDir(const char *tmpfsOptions = nullptr, unsigned long mountFlags = 0) {
        std::string pattern = (std::filesystem::temp_directory_path() / "romcast-fault-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
        if (!path.empty() && tmpfsOptions != nullptr)
            mounted = mount("tmpfs", path.c_str(), "tmpfs", mountFlags, tmpfsOptions) == 0;
    }
    ~TestDir() {
        if (mounted) umount(path.c_str());
        std::error_code ignored;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string &leaf) const { return path + "/" + leaf; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (auto &entry : std::filesystem::directory_iterator(path, ec)) names.push_back(entry.path().filename().string());
        return names;
    }
};

inline void writeBytes(const std::string &path, const std::string &bytes) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    ASSERT_EQ(std::fclose(file), 0);
}

inline std::string error(const std::string &text) { return "Error (romcast): " + text + "\n"; }

