// Damaged copies of every module of the suite: each prefix, each header byte
// altered, and every fourth other byte altered, run with the options of the
// module's own case. Every run must end cleanly: a documented exit status, at
// most one error line, nothing on standard error (where a sanitizer reports),
// no hang, and after a failure no image or listing. The suite runs a sample;
// ROMCAST_SWEEP=full (`make sweep`) runs all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

struct SweepModule {
    std::string name;  // "reading_dataPartAtZero", "examples_demo"
    std::string text;
    std::string inputName;
    std::vector<std::string> args;
};

// Every end-to-end case with one module as its only input, and the examples.
std::vector<SweepModule> findModules() {
    std::vector<SweepModule> modules;
    const fs::path root = ROMCAST_SOURCE_DIR;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root / "tests/e2e/cases", ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const fs::path dir = it->path();
        if (!it->is_directory() || !fs::is_regular_file(dir / "args")) continue;
        it.disable_recursion_pending();
        std::vector<fs::path> inputs;
        for (auto &entry : fs::directory_iterator(dir / "in", ec)) inputs.push_back(entry.path());
        if (inputs.size() != 1 || !inputs[0].string().ends_with(".tqx.txt")) continue;
        modules.push_back({dir.parent_path().filename().string() + "_" + dir.filename().string(),
                           readFileBytes(inputs[0].string()), inputs[0].stem().string(),
                           splitArguments(readFileBytes((dir / "args").string()))});
    }
    for (auto &entry : fs::directory_iterator(root / "examples", ec)) {
        if (!entry.path().string().ends_with(".tqx.txt")) continue;
        const std::string input = entry.path().stem().string();
        modules.push_back({"examples_" + input.substr(0, input.find('.')), readFileBytes(entry.path().string()),
                           input, {input}});
    }
    for (SweepModule &module : modules)
        std::replace_if(module.name.begin(), module.name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    std::sort(modules.begin(), modules.end(), [](auto &a, auto &b) { return a.name < b.name; });
    return modules;
}

struct Variant {
    std::string bytes;
    std::string what;
};

std::vector<Variant> makeVariants(const std::string &module) {
    // The header ends where the first part begins: the smallest offset of the
    // ASW records (E2 D7, part number, 84 and four offset bytes) near the start.
    std::size_t header = std::min<std::size_t>(module.size(), 64);
    for (std::size_t at = 0; at + 8 < module.size() && at < 128; ++at) {
        if (module.compare(at, 2, "\xE2\xD7") != 0 || static_cast<unsigned char>(module[at + 3]) != 0x84) continue;
        std::size_t offset = 0;
        for (std::size_t i = 4; i < 8; ++i) offset = offset * 256 + static_cast<unsigned char>(module[at + i]);
        if (offset > at && offset < header) header = offset;
    }
    std::vector<Variant> variants;
    for (std::size_t length = 0; length < module.size(); ++length)
        variants.push_back({module.substr(0, length), "prefix of " + std::to_string(length) + " bytes"});
    const auto alter = [&](std::size_t at, unsigned value) {
        if (static_cast<unsigned char>(module[at]) == value) return;
        std::string altered = module;
        altered[at] = static_cast<char>(value);
        variants.push_back({altered, "byte " + std::to_string(at) + " = " + std::to_string(value)});
    };
    for (std::size_t at = 0; at < header; ++at)
        for (unsigned value : {0x00, 0x01, 0x7F, 0x80, 0x84, 0x88, 0x90, 0xC1, 0xDE, 0xDF, 0xE2, 0xF1, 0xFF})
            alter(at, value);
    for (std::size_t at = header; at < module.size(); at += 4)
        for (unsigned value : {0x00u, 0x80u, 0xFFu, (static_cast<unsigned char>(module[at]) + 1u) & 0xFFu})
            alter(at, value);
    return variants;
}

class Sweep : public testing::TestWithParam<SweepModule> {};

TEST_P(Sweep, EveryDamagedCopyEndsCleanly) {
    const SweepModule &sweep = GetParam();
    const std::string module = assembleModule(sweep.text);
    ASSERT_FALSE(module.empty());
    std::vector<Variant> variants = makeVariants(module);
    const char *mode = std::getenv("ROMCAST_SWEEP");
    if (mode == nullptr || std::string(mode) != "full") {
        // A fixed sample of 48, different for each module, so that the suite
        // costs about the same whatever a module's size.
        std::mt19937 random(static_cast<std::uint32_t>(std::hash<std::string>{}(sweep.name)));
        const std::size_t taken = std::min<std::size_t>(48, variants.size());
        for (std::size_t i = 0; i < taken; ++i) std::swap(variants[i], variants[i + random() % (variants.size() - i)]);
        variants.resize(taken);
    }
    RunControl control;
    control.timeLimit = 20;  // the sanitizers slow a run down; a hang takes forever
    for (const Variant &variant : variants) {
        SCOPED_TRACE(variant.what);
        const RunResult result = runRomcast(control, sweep.args, {{sweep.inputName, variant.bytes}});
        ASSERT_FALSE(result.timedOut || result.signal != 0) << describeRun(result);
        const int status = result.exitStatus;
        EXPECT_TRUE(status == 0 || status == 2 || status == 3 || status == 4) << describeRun(result);
        EXPECT_EQ(result.err, "") << describeRun(result);
        int errorLines = 0;
        for (std::size_t at = 0; (at = result.out.find("Error (romcast): ", at)) != std::string::npos; ++at)
            ++errorLines;
        EXPECT_LE(errorLines, status == 0 ? 0 : 1) << describeRun(result);
        for (const auto &[name, bytes] : result.files) {
            // After a failure only an ID report may stay; never a temporary file.
            const std::string leaf = fs::path(name).filename().string();
            EXPECT_NE(leaf[0], '.') << describeRun(result);
            EXPECT_TRUE(status == 0 || leaf.ends_with(".id")) << describeRun(result);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Sweep, testing::ValuesIn(findModules()),
                         [](const testing::TestParamInfo<SweepModule> &info) { return info.param.name; });

}  // namespace
