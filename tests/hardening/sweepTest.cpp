// Malformed modules made systematically from every module of the suite: each
// prefix, each header byte altered, and a sample of the other bytes altered,
// run with the options of the module's own case. Every run must end cleanly: a
// documented exit status, at most one error line, nothing on standard error
// (where a sanitizer reports), no hang, and after a failure no image or listing.
//
// `make check` runs a sample of it; ROMCAST_SWEEP=full (`make sweep`) runs
// all of it.
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

bool fullSweep() {
    const char *mode = std::getenv("ROMCAST_SWEEP");
    return mode != nullptr && std::string(mode) == "full";
}

// A module of the suite and the arguments it runs with.
struct SweepModule {
    std::string name;  // for the test name: "reading_dataPartAtZero", "examples_demo"
    std::string text;  // module text
    std::string inputName;
    std::vector<std::string> args;
};

// Every end-to-end case with one module as its only input, and the examples.
std::vector<SweepModule> findModules() {
    std::vector<SweepModule> modules;
    const fs::path root = fs::path(ROMCAST_SOURCE_DIR);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root / "tests" / "e2e" / "cases", ec);
         !ec && it != fs::end(it); it.increment(ec)) {
        const fs::path caseDir = it->path();
        if (!it->is_directory() || !fs::is_regular_file(caseDir / "args")) continue;
        it.disable_recursion_pending();
        std::vector<fs::path> inputs;
        for (auto &entry : fs::directory_iterator(caseDir / "in", ec)) inputs.push_back(entry.path());
        if (inputs.size() != 1 || !inputs[0].string().ends_with(".tqx.txt")) continue;
        std::string name = caseDir.parent_path().filename().string() + "_" + caseDir.filename().string();
        modules.push_back({name, readFileBytes(inputs[0].string()), inputs[0].stem().string(),
                           splitArguments(readFileBytes((caseDir / "args").string()))});
    }
    for (auto &entry : fs::directory_iterator(root / "examples", ec)) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".tqx.txt")) continue;
        const std::string input = entry.path().stem().string();
        modules.push_back({"examples_" + input.substr(0, input.find('.')), readFileBytes(entry.path().string()),
                           input, {input}});
    }
    // Test names allow only letters, digits and underscores.
    for (SweepModule &module : modules)
        for (char &c : module.name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    std::sort(modules.begin(), modules.end(),
              [](const SweepModule &a, const SweepModule &b) { return a.name < b.name; });
    return modules;
}

// The header ends where the first part begins: the smallest offset of the
// ASW records (E2 D7, part number, offset as a 4-byte number) near the start.
std::size_t headerLength(const std::string &module) {
    std::size_t end = std::min<std::size_t>(module.size(), 64);
    for (std::size_t at = 0; at + 8 < module.size() && at < 128; ++at) {
        if (module.compare(at, 2, "\xE2\xD7") != 0 || static_cast<unsigned char>(module[at + 3]) != 0x84) continue;
        std::size_t offset = 0;
        for (std::size_t i = 4; i < 8; ++i) offset = offset * 256 + static_cast<unsigned char>(module[at + i]);
        if (offset > at && offset < end) end = offset;
    }
    return end;
}

struct Variant {
    std::string bytes;
    std::string what;
};

// The malformed modules of one sound module: every prefix, every header byte
// with thirteen replacements, and every fourth other byte with four.
std::vector<Variant> makeVariants(const std::string &module) {
    const std::size_t header = headerLength(module);
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

// The thinned sweep: a fixed sample of `count` variants, different for each
// module, so that `make check` costs about the same whatever a module's size.
std::vector<Variant> sampleVariants(std::vector<Variant> variants, const std::string &seedText, std::size_t count) {
    std::mt19937 random(static_cast<std::uint32_t>(std::hash<std::string>{}(seedText)));
    const std::size_t taken = std::min(count, variants.size());
    for (std::size_t i = 0; i < taken; ++i) std::swap(variants[i], variants[i + random() % (variants.size() - i)]);
    variants.resize(taken);
    return variants;
}

// The file names an image or a listing may have; anything else left behind
// is ours only if it is an ID report.
bool isIdReport(const std::string &name) { return name.ends_with(".id"); }

int countErrorLines(const std::string &out) {
    int count = 0;
    for (std::size_t at = out.find("Error (romcast): "); at != std::string::npos;
         at = out.find("Error (romcast): ", at + 1))
        ++count;
    return count;
}

void expectCleanEnd(const RunResult &result, const std::string &what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(result.timedOut) << describeRun(result);
    ASSERT_EQ(result.signal, 0) << describeRun(result);
    const int status = result.exitStatus;
    EXPECT_TRUE(status == 0 || status == 2 || status == 3 || status == 4) << describeRun(result);
    EXPECT_EQ(result.err, "") << describeRun(result);
    EXPECT_LE(countErrorLines(result.out), status == 0 ? 0 : 1) << describeRun(result);
    for (const auto &[name, bytes] : result.files) {
        const std::string leaf = fs::path(name).filename().string();
        EXPECT_NE(leaf[0], '.') << "a temporary file was left\n" << describeRun(result);
        EXPECT_TRUE(status == 0 || isIdReport(leaf)) << "left after a failure\n" << describeRun(result);
    }
}

class Sweep : public testing::TestWithParam<SweepModule> {};

TEST_P(Sweep, EveryDamagedCopyEndsCleanly) {
    const SweepModule &sweep = GetParam();
    const std::string module = assembleModule(sweep.text);
    ASSERT_FALSE(module.empty());
    RunControl control;
    control.timeLimit = 20;  // the sanitizers slow a run down; a hang takes forever
    std::vector<Variant> variants = makeVariants(module);
    if (!fullSweep()) variants = sampleVariants(std::move(variants), sweep.name, 48);
    for (const Variant &variant : variants) {
        expectCleanEnd(runRomcast(control, sweep.args, {{sweep.inputName, variant.bytes}}), variant.what);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Sweep, testing::ValuesIn(findModules()),
                         [](const testing::TestParamInfo<SweepModule> &info) { return info.param.name; });

}  // namespace
