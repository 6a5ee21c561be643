// The module assembler against bytes written out by hand: every other test
// trusts its output.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

// "E2 D7 61*3" as bytes; `*n` repeats the byte before it. Kept independent of
// the assembler's own parsing on purpose.
std::string bytesOf(const std::string &hex) {
    std::string bytes;
    std::istringstream tokens(hex);
    for (std::string token; tokens >> token;) {
        const std::size_t star = token.find('*');
        const std::size_t count = star == std::string::npos ? 1 : std::stoul(token.substr(star + 1));
        bytes.append(count, static_cast<char>(std::stoi(token.substr(0, 2), nullptr, 16)));
    }
    return bytes;
}

const struct GoodCase { const char *text, *bytes; } goodCases[] = {
    {"MB\nME\nSB\nST\nSA\nAD\nNN\nRE\nASG\nASL\nASP\nASS\nASW\nATN\nRAW",
     "E0 E1 E5 E6 E7 EC F0 F7 E2 C7 E2 CC E2 D0 E2 D3 E2 D7 F1 CE"},
    // Numbers: shortest form at each length boundary, and forced widths.
    {"RAW 0x7F 0x80 0xFF 0x100 0xFFFF 0x10000", "7F 81 80 81 FF 82 01 00 82 FF FF 83 01 00 00"},
    {"RAW 5:1 0x10:4 1:8", "81 05 84 00 00 00 10 88 00 00 00 00 00 00 00 01"},
    // Names, with each length form and the escapes.
    {"RAW \"\" \"a b\" \"\\\"\\\\\\x01\\xfe\"", "00 03 61 20 62 04 22 5C 01 FE"},
    {"RAW \"a\"*127 \"a\"*128 \"ab\"*2 \"x\"*0", "7F 61*127 DE 80 61*128 04 61 62 61 62 00"},
    {"RAW \"a\"*255 \"a\"*256", "DE FF 61*255 DF 01 00 61*256"},
    {"ST 1 @AP \"P\"\nRAW @@X - , - <E2D7 FF*3>", "E6 01 C1 D0 01 50 C0 D8 80 90 80 E2 D7 FF FF FF"},
};

// A bad line: its number and the start of the message.
const struct BadCase { const char *text; int line; const char *message; } badCases[] = {
    {"ME\nXX 1", 2, "unknown mnemonic 'XX'"},
    {"\n\nRAW $nowhere\nME", 3, "label 'nowhere' is not defined"},
    {"LD FF*200 FF*56", 1, "LD holds 256 bytes, at most 255"},
    {"RAW \"\\xg1\"", 1, "bad escape in \"\\xg1\""},
};

TEST(Modasm, WritesTheDocumentedBytesAndRejectsBadLines) {
    for (const GoodCase &c : goodCases) {
        RunResult result = runProgram(ROMCAST_MODASM, {"m.txt", "m.tqx"}, {{"m.txt", c.text}});
        EXPECT_EQ(result.exitStatus, 0) << c.text << "\n" << result.err;
        const std::string difference = describeDifference(c.text, bytesOf(c.bytes), result.files["m.tqx"]);
        if (!difference.empty()) ADD_FAILURE() << difference;
    }

    for (const BadCase &c : badCases) {
        RunResult result = runProgram(ROMCAST_MODASM, {"m.txt", "m.tqx"}, {{"m.txt", c.text}});
        EXPECT_EQ(result.exitStatus, 1) << c.text;
        EXPECT_NE(result.err.find("m.txt:" + std::to_string(c.line) + ": " + c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.files.count("m.tqx"), 0u) << c.text;
    }
}

}  // namespace
