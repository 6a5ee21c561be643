// Damaged copies of every module of the suite, run with the options of the
// module's own case, must end cleanly: a documented exit status, at most one
// error line, nothing on standard error (where a sanitizer reports), no hang,
// and after a failure no image, listing or temporary file left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

struct SweepModule {
    std::string name;  // "reading_dataPartAtZero"
    std::string text;
    std::string inputName;
    std::vector<std::string> args;
};

// Modules refused for what they would write: a damaged copy of one may be a
// module that writes gigabytes, as it asks, which no time limit here allows.
const std::set<std::string> tooLargeWhenDamaged = {"reading_repeatsPastAddressSpace", "direct_repeatsPastAddressSpace",
                                                   "reading_sharedSectionsPastAddressSpace"};

// Every end-to-end case with one module as its only input.
std::vector<SweepModule> findModules() {
    std::vector<SweepModule> modules;
    const fs::path root = ROMCAST_SOURCE_DIR;
    std::error_code ec;
    for (const auto &entry : fs::recursive_directory_iterator(root / "tests/e2e/cases", ec)) {
        if (entry.path().filename() != "args") continue;
        const fs::path dir = entry.path().parent_path();
        const std::vector<fs::path> inputs(fs::directory_iterator(dir / "in", ec), fs::directory_iterator());
        if (inputs.size() != 1 || !inputs[0].string().ends_with(".tqx.txt")) continue;
        modules.push_back({dir.parent_path().filename().string() + "_" + dir.filename().string(),
                           readFileBytes(inputs[0].string()), inputs[0].stem().string(),
                           splitArguments(readFileBytes(entry.path().string()))});
    }
    for (SweepModule &module : modules)
        std::replace_if(module.name.begin(), module.name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    std::erase_if(modules, [](const SweepModule &module) { return tooLargeWhenDamaged.contains(module.name); });
    return modules;
}

class Sweep : public testing::TestWithParam<SweepModule> {};

TEST_P(Sweep, EveryDamagedCopyEndsCleanly) {
    const SweepModule &sweep = GetParam();
    const std::string module = assembleModule(sweep.text);
    ASSERT_FALSE(module.empty());
    // The header ends where the first part begins: the smallest offset of the
    // ASW records (E2 D7, part number, 84 and four offset bytes) near the start.
    std::size_t header = std::min<std::size_t>(module.size(), 64);
    for (std::size_t at = 0; at + 8 < module.size() && at < 128; ++at) {
        if (module.compare(at, 2, "\xE2\xD7") != 0 || static_cast<unsigned char>(module[at + 3]) != 0x84) continue;
        std::size_t offset = 0;
        for (std::size_t i = 4; i < 8; ++i) offset = offset * 256 + static_cast<unsigned char>(module[at + i]);
        if (offset > at && offset < header) header = offset;
    }
    // Every prefix, every header byte with thirteen values, every fourth other
    // byte with four: an offset and the byte put there, or -1 for the prefix.
    std::vector<std::pair<std::size_t, int>> variants;
    for (std::size_t length = 0; length < module.size(); ++length) variants.push_back({length, -1});
    for (std::size_t at = 0; at < module.size(); at += at < header ? 1 : 4) {
        const int byte = static_cast<unsigned char>(module[at]);
        const std::vector<int> values = at < header
            ? std::vector<int>{0x00, 0x01, 0x7F, 0x80, 0x84, 0x88, 0x90, 0xC1, 0xDE, 0xDF, 0xE2, 0xF1, 0xFF}
            : std::vector<int>{0x00, 0x80, 0xFF, (byte + 1) & 0xFF};
        for (int value : values)
            if (value != byte) variants.push_back({at, value});
    }
    // ROMCAST_SWEEP is "full", or the size of the sample (48 unless given).
    const char *mode = std::getenv("ROMCAST_SWEEP");
    if (mode == nullptr || std::string(mode) != "full") {
        // A fixed sample, different for each module, so that the suite costs
        // about the same whatever a module's size.
        const std::size_t sample = mode != nullptr && std::atoi(mode) > 0 ? static_cast<std::size_t>(std::atoi(mode)) : 48;
        std::shuffle(variants.begin(), variants.end(), std::mt19937(std::hash<std::string>{}(sweep.name)));
        variants.resize(std::min(sample, variants.size()));
    }
    const RunControl control{.timeLimit = 20};  // the sanitizers slow a run down; a hang takes forever
    for (const auto &[at, value] : variants) {
        std::string bytes = module;
        if (value < 0) bytes.resize(at); else bytes[at] = static_cast<char>(value);
        SCOPED_TRACE("at " + std::to_string(at) + (value < 0 ? ": prefix" : ": " + std::to_string(value)));
        const RunResult result = runRomcast(sweep.args, {{sweep.inputName, bytes}}, control);
        ASSERT_FALSE(result.timedOut || result.signal != 0) << describeRun(result);
        const int status = result.exitStatus;
        EXPECT_TRUE(status == 0 || status == 2 || status == 3 || status == 4) << describeRun(result);
        EXPECT_EQ(result.err, "") << describeRun(result);
        // No error line after a success, at most one after a failure.
        const std::size_t first = result.out.find("Error (romcast): ");
        EXPECT_EQ(result.out.find("Error (romcast): ", status == 0 ? 0 : first + 1), std::string::npos)
            << describeRun(result);
        for (const auto &[name, bytes] : result.files) {
            // After a failure only an ID report may stay; never a temporary file.
            const std::string leaf = fs::path(name).filename().string();
            // A temporary file is hidden and ends in a dot and six characters.
            EXPECT_FALSE(leaf[0] == '.' && leaf.size() > 8 && leaf[leaf.size() - 7] == '.') << describeRun(result);
            EXPECT_TRUE(status == 0 || leaf.ends_with(".id")) << describeRun(result);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Sweep, testing::ValuesIn(findModules()),
                         [](const testing::TestParamInfo<SweepModule> &info) { return info.param.name; });

}  // namespace
