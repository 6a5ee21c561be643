// The pre-flight against the conversion: for every ID-code case run without
// options, what "modinspect --check" says the module's texts do to the protect
// byte is what the converter wrote there, and a module the converter refuses
// is one the pre-flight calls refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

constexpr unsigned long protectAddress = 0xFFFFF;

// The byte that the S-records of `image` put at `address`, if any.
std::optional<unsigned long> byteAt(const std::string &image, unsigned long address) {
    std::istringstream lines(image);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("S2", 0) != 0 || line.size() < 12) continue;
        const unsigned long count = std::stoul(line.substr(2, 2), nullptr, 16) - 4;
        const unsigned long start = std::stoul(line.substr(4, 6), nullptr, 16);
        if (address < start || address >= start + count) continue;
        return std::stoul(line.substr(10 + 2 * (address - start), 2), nullptr, 16);
    }
    return std::nullopt;
}

// The protect byte that the pre-flight says the module's texts set, if it says so.
std::optional<unsigned long> predictedProtect(const std::string &findings) {
    const std::string said = "sets the protect byte ";
    const std::size_t at = findings.find(said);
    if (at == std::string::npos) return std::nullopt;
    return std::stoul(findings.substr(at + said.size(), 2), nullptr, 16);
}

TEST(Preflight, AgreesWithTheConversionOnTheModulesTexts) {
    int compared = 0;
    for (const auto &entry : std::filesystem::directory_iterator(casesRoot() / "idcode")) {
        const std::filesystem::path dir = entry.path();
        if (readFileBytes((dir / "args").string()) != "app\n") continue;
        SCOPED_TRACE(dir.filename().string());
        const std::string module = assembleModule(readFileBytes((dir / "in/app.tqx.txt").string()));
        const RunResult check = runProgram(ROMCAST_MODINSPECT, {"--check", "app.tqx"}, {{"app.tqx", module}});
        const std::string stdoutText = readFileBytes((dir / "stdout").string());
        if (stdoutText.find("Illegal file format") != std::string::npos) {
            EXPECT_NE(check.out.find("refused by romcast"), std::string::npos) << check.out;
            ++compared;
            continue;
        }
        // A dual-area module's protect byte goes to its ROM data file.
        const std::filesystem::path image =
            dir / (std::filesystem::exists(dir / "out/app.mdt") ? "out/app.mdt" : "out/app.mot");
        if (!std::filesystem::exists(image)) continue;  // refused later, for another reason
        const std::optional<unsigned long> written = byteAt(readFileBytes(image.string()), protectAddress);
        const std::optional<unsigned long> predicted = predictedProtect(check.out);
        // A module with a protect text and a protect byte written: the text made it.
        const bool protectText = module.find(".PROTECT ") != std::string::npos;
        if (!predicted && !(protectText && written)) continue;
        EXPECT_EQ(written, predicted) << check.out;
        ++compared;
    }
    EXPECT_GE(compared, 5);
}

}  // namespace
