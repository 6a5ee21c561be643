// Damaged copies of every module of the suite, run with the options of the
// module's own case, must end cleanly: a documented exit status, at most one
// error line, nothing on standard error (where a sanitizer reports), no hang,
// and after a failure no image, listing or temporary file left. And each must
// end as it ended before: the status and error line of every damaged copy of
// the sample that `make check` runs are kept in sweepAnswers.txt beside this
// file, one line a copy, and the counts and a digest of every answer of the
// whole sweep (`make sweep`) in sweepDigests.txt, one line a module.
// ROMCAST_REGEN=1 writes them anew; their diff is reviewed like code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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
    std::error_code ec;
    for (const std::string &name : findCases()) {
        const fs::path dir = casesRoot() / name;
        const std::vector<fs::path> inputs(fs::directory_iterator(dir / "in", ec), fs::directory_iterator());
        if (inputs.size() != 1 || !inputs[0].string().ends_with(".tqx.txt")) continue;
        modules.push_back({testName(name), readFileBytes(inputs[0].string()), inputs[0].stem().string(),
                           splitArguments(readFileBytes((dir / "args").string()))});
    }
    std::erase_if(modules, [](const SweepModule &module) { return tooLargeWhenDamaged.contains(module.name); });
    return modules;
}

const fs::path answersFile = fs::path(ROMCAST_SOURCE_DIR) / "tests/hardening/sweepAnswers.txt";
const fs::path digestsFile = fs::path(ROMCAST_SOURCE_DIR) / "tests/hardening/sweepDigests.txt";

// The lines of a table that begin with the module's name and a space, by the
// rest of the line up to its third field ("module at 12 = 0x80" -> "status ...").
std::map<std::string, std::string> tableOf(const fs::path &file, const std::string &module, std::size_t keyFields) {
    std::map<std::string, std::string> table;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(module + ' ')) continue;
        std::size_t at = 0;
        for (std::size_t field = 0; field < keyFields && at != std::string::npos; ++field) at = line.find(' ', at + 1);
        if (at != std::string::npos) table[line.substr(0, at)] = line.substr(at + 1);
    }
    return table;
}

// Replaces the module's lines of a table, under a lock: the modules of the
// sweep run as tests of their own, in parallel.
void rewriteTable(const fs::path &file, const std::string &module, const std::vector<std::string> &lines) {
    const int lock = ::open(file.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    ::flock(lock, LOCK_EX);
    std::vector<std::string> kept;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (!line.starts_with(module + ' ')) kept.push_back(line);
    }
    kept.insert(kept.end(), lines.begin(), lines.end());
    std::stable_sort(kept.begin(), kept.end(), [](const std::string &a, const std::string &b) {
        return a.substr(0, a.find(' ')) < b.substr(0, b.find(' '));
    });
    std::ofstream out(file, std::ios::trunc);
    for (const std::string &line : kept) out << line << '\n';
    out.close();
    ::close(lock);
}

// The answer of a run: its status and its error line, if any.
std::string answerOf(const RunResult &result) {
    const std::string prefix = "Error (romcast): ";
    const std::size_t at = result.out.find(prefix);
    const std::string message = at == std::string::npos
        ? "-" : result.out.substr(at + prefix.size(), result.out.find('\n', at) - at - prefix.size());
    return std::to_string(result.exitStatus) + ' ' + message;
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
    const bool full = mode != nullptr && std::string(mode) == "full";
    const bool regenerate = std::getenv("ROMCAST_REGEN") != nullptr;
    // A fixed sample, different for each module, so that the suite costs about
    // the same whatever a module's size. A sample is the first variants of one
    // shuffle, so the table of the default sample answers for smaller ones.
    std::vector<std::pair<std::size_t, int>> sampled = variants;
    std::shuffle(sampled.begin(), sampled.end(), std::mt19937(std::hash<std::string>{}(sweep.name)));
    if (!full) {
        const std::size_t sample = mode != nullptr && std::atoi(mode) > 0 ? static_cast<std::size_t>(std::atoi(mode)) : 48;
        variants.assign(sampled.begin(), sampled.begin() + std::min(sample, sampled.size()));
    }
    sampled.resize(std::min<std::size_t>(48, sampled.size()));
    const auto keyOf = [&](std::size_t at, int value) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", value);
        return sweep.name + " at " + std::to_string(at) + ' ' + (value < 0 ? "cut" : byte);
    };
    const std::map<std::string, std::string> answers = tableOf(answersFile, sweep.name, 4);
    std::map<std::string, std::string> given;  // by key, for the tables
    std::uint64_t digest = 14695981039346656037ull;  // FNV-1a over every answer in order
    std::map<int, std::size_t> byStatus;
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
        const std::string key = keyOf(at, value), answer = answerOf(result);
        given[key] = answer;
        for (const char c : key + ' ' + answer + '\n') digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        ++byStatus[status];
        if (regenerate) continue;
        const auto known = answers.find(key);
        if (known == answers.end()) {
            if (!full) ADD_FAILURE() << key << ": no answer in " << answersFile.filename();
        } else EXPECT_EQ(answer, known->second) << key << " answered otherwise than the table holds\n" << describeRun(result);
    }
    if (!regenerate && !full) return;
    char counts[160];
    std::snprintf(counts, sizeof counts, "variants %zu status0 %zu status2 %zu status3 %zu status4 %zu digest %016llx",
                  variants.size(), byStatus[0], byStatus[2], byStatus[3], byStatus[4],
                  static_cast<unsigned long long>(digest));
    if (!regenerate) {
        const std::map<std::string, std::string> digests = tableOf(digestsFile, sweep.name, 1);
        EXPECT_EQ(std::string(counts), digests.count(sweep.name) ? digests.at(sweep.name) : "")
            << "the whole sweep of " << sweep.name << " answered otherwise than " << digestsFile.filename() << " holds";
        return;
    }
    // Only variants of the sample land in the table of answers, whichever run writes it.
    std::sort(sampled.begin(), sampled.end());
    std::vector<std::string> lines;
    for (const auto &[at, value] : sampled) {
        const auto found = given.find(keyOf(at, value));
        if (found != given.end()) lines.push_back(found->first + ' ' + found->second);
    }
    if (lines.size() == sampled.size()) rewriteTable(answersFile, sweep.name, lines);
    if (full) rewriteTable(digestsFile, sweep.name, {sweep.name + ' ' + counts});
}

INSTANTIATE_TEST_SUITE_P(Modules, Sweep, testing::ValuesIn(findModules()),
                         [](const testing::TestParamInfo<SweepModule> &info) { return info.param.name; });

}  // namespace
