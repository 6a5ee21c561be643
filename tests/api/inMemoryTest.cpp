// The library's conversion into memory against the command line: every case
// folder whose module is app and whose outputs take their names from it runs
// through parseCommandLine and convert, and gives the case's bytes, or fails
// with the case's message and status; its warnings are lines the console showed.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "e2e/harness.h"

namespace {

namespace fs = std::filesystem;

// The case's expected outputs by extension, or none when the case does not
// suit a run in memory (another input, names of its own, an input missing).
bool suitsMemory(const fs::path &dir, const std::vector<std::string> &args) {
    if (args.empty() || (args.back() != "app" && args.back() != "app.tqx")) return false;
    if (fs::exists(dir / "links") || !fs::exists(dir / "in")) return false;
    for (const std::string &argument : args)
        if (argument == "-o") return false;
    std::vector<std::string> inputs;
    for (const auto &entry : fs::directory_iterator(dir / "in")) inputs.push_back(entry.path().filename().string());
    return inputs == std::vector<std::string>{"app.tqx.txt"};
}

std::vector<std::uint8_t> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

// A line of the library's, as the command line shows it for the module app.tqx:
// in memory the module goes by module.tqx.
std::string asForApp(std::string line) {
    for (std::size_t at; (at = line.find("module.tqx")) != std::string::npos;) line.replace(at, 10, "app.tqx");
    return line + "\n";
}

TEST(InMemory, EveryCaseGivesTheCommandLinesBytes) {
    int compared = 0;
    for (const std::string &name : findCases()) {
        const fs::path dir = casesRoot() / name;
        const std::vector<std::string> args = splitArguments(readFileBytes((dir / "args").string()));
        if (!suitsMemory(dir, args)) continue;
        SCOPED_TRACE(name);
        const std::string console = readFileBytes((dir / "stdout").string());
        const std::string statusText = readFileBytes((dir / "status").string());
        const int status = statusText.empty() ? 0 : std::stoi(statusText);
        const std::vector<std::uint8_t> module = bytesOf(assembleModule(readFileBytes((dir / "in/app.tqx.txt").string())));
        ++compared;
        try {
            const romcast::Result result = romcast::convert(module, romcast::parseCommandLine(args));
            EXPECT_EQ(status, 0);
            std::map<std::string, std::vector<std::uint8_t>> expected;
            for (const auto &entry : fs::directory_iterator(dir / "out"))
                expected[entry.path().extension().string()] = bytesOf(readFileBytes(entry.path().string()));
            std::map<std::string, std::vector<std::uint8_t>> made;
            for (const romcast::Output &output : result.outputs) made[output.extension] = output.bytes;
            EXPECT_TRUE(made == expected) << made.size() << " outputs made, " << expected.size() << " expected";
            for (const romcast::Warning &warning : result.warnings)
                EXPECT_NE(console.find(asForApp(warning.text)), std::string::npos) << warning.text;
        } catch (const romcast::Error &error) {
            EXPECT_EQ(error.exitStatus(), status) << error.what();
            EXPECT_NE(console.find(asForApp(error.what())), std::string::npos) << error.what();
        }
    }
    EXPECT_GE(compared, 150);
}

}  // namespace

namespace {

// The module of the ID-code cases, with the texts given, if any.
std::vector<std::uint8_t> moduleWith(const std::string &texts) {
    return bytesOf(assembleModule("MB \"TQ40\" \"app\"\nAD 8 4 @M\nASW 1 $env\nASW 2 $sections\nASW 5 $data\n"
                                  "ASW 6 $trailer\n$env:\nNN 1 \"app\"\nATN 0 0 38 1\n" + texts +
                                  "$sections:\nST 1 @AP \"P\"\nSA 1 2\nASS 1 4\nASL 1 0x1000\n"
                                  "$data:\nSB 1\nASP 1 0x1000\nLD 01 02 03 04\n$trailer:\nASG 0x1000\nME\n"));
}

using From = romcast::SecurityByte::From;

// The security bytes a conversion names: where the first ID byte and the
// protect byte go, their values and sources.
TEST(InMemory, SecurityBytesNamedWithTheirSource) {
    const struct Row {
        const char *what;
        const char *texts;
        std::vector<std::string> args;
        std::size_t count;
        std::uint32_t firstAddress;
        std::uint8_t firstValue;
        From firstFrom;
        std::uint32_t protectAddress;
        std::uint8_t protectValue;
        From protectFrom;
    } rows[] = {
        {"options alone", "", {"-ID#11", "-protect1"}, 8, 0xFFFDF, 0x11, From::option, 0xFFFFF, 0x3F, From::option},
        {"an ID code without a protect choice", "", {"-ID#11"}, 8, 0xFFFDF, 0x11, From::option, 0xFFFFF, 0xFF, From::byDefault},
        {"the module's ID over the options", "ATN 0 0 55 \".ID #D1\"\n", {"-ID#11", "-protect2"}, 8, 0xFFFDF, 0xD1, From::module, 0xFFFFF, 0xFF, From::byDefault},
        {"the module's protect drops -ID", "ATN 0 0 55 \".PROTECT 12\"\n", {"-ID#11"}, 1, 0xFFFFF, 0x12, From::module, 0xFFFFF, 0x12, From::module},
        {"a TQ8 OFS byte", "", {"-TQ8", "-ofsreg1"}, 1, 0xFFFF, 0x3F, From::option, 0xFFFF, 0x3F, From::option},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const romcast::Result result = romcast::convert(moduleWith(row.texts), romcast::parseCommandLine(row.args));
        ASSERT_EQ(result.security.size(), row.count);
        const romcast::SecurityByte &first = result.security.front();
        const romcast::SecurityByte &protect = result.security.back();
        EXPECT_EQ(first.address, row.firstAddress);
        EXPECT_EQ(first.value, row.firstValue);
        EXPECT_EQ(first.from, row.firstFrom);
        EXPECT_EQ(protect.what, romcast::SecurityByte::What::protect);
        EXPECT_EQ(protect.address, row.protectAddress);
        EXPECT_EQ(protect.value, row.protectValue);
        EXPECT_EQ(protect.from, row.protectFrom);
    }
}

}  // namespace

namespace {

// What readModule tells of the ID-code cases' module: the fields a flashing
// tool reads, the type letters as text.
TEST(InMemory, ReadModuleDescribesTheModule) {
    const romcast::Module module = romcast::readModule(moduleWith("ATN 0 0 55 \".PROTECT 12\"\n"));
    EXPECT_EQ(module.processor, "TQ40");
    ASSERT_EQ(module.sections.size(), 1u);
    EXPECT_EQ(module.sections[0].kind, "AP");
    EXPECT_EQ(module.sections[0].name, "P");
    ASSERT_EQ(module.units.size(), 1u);
    EXPECT_EQ(module.units[0].size, 4u);
    EXPECT_EQ(module.first, 0x1000u);
    EXPECT_EQ(module.last, 0x1003u);
    EXPECT_EQ(module.entry, 0x1000u);
    EXPECT_EQ(module.protectText, "12");
    EXPECT_FALSE(module.idText);
}

// A unit's bytes are its LD records up to the next unit, repeats written out,
// as the image holds them.
TEST(InMemory, UnitBytesAsTheImageWritesThem) {
    const std::vector<std::uint8_t> bytes =
        bytesOf(assembleModule("MB \"TQ40\" \"app\"\nAD 8 4 @M\nASW 1 $env\nASW 2 $sections\nASW 5 $data\n"
                               "ASW 6 $trailer\n$env:\nNN 1 \"app\"\nATN 0 0 38 1\n"
                               "$sections:\nST 1 @AP \"P\"\nSA 1 2\nASS 1 0x20\nASL 1 0x1000\n"
                               "$data:\nSB 1\nASP 1 0x1000\nRE 2\nLD AA BB\nLD 01\nASP 1 0x1010\nLD 05\n"
                               "$trailer:\nASG 0x1000\nME\n"));
    const romcast::Module module = romcast::readModule(bytes);
    ASSERT_EQ(module.units.size(), 2u);
    EXPECT_EQ(module.units[0].size, 5u);
    EXPECT_EQ(romcast::unitBytes(bytes, module.units[0]), (std::vector<std::uint8_t>{0xAA, 0xBB, 0xAA, 0xBB, 0x01}));
    EXPECT_EQ(romcast::unitBytes(bytes, module.units[1]), std::vector<std::uint8_t>{0x05});
}

}  // namespace
