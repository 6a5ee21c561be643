// Runs every case folder under tests/e2e/cases/ (one holding an `args` file) as
// one test: tests/README.md describes the folder layout. With ROMCAST_REGEN=1
// the expectations are rewritten from the actual run instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "e2e/harness.h"

namespace fs = std::filesystem;

namespace {

fs::path casesRoot() { return fs::path(ROMCAST_SOURCE_DIR) / "tests" / "e2e" / "cases"; }

// Case folders relative to casesRoot(), sorted. The search does not descend into
// a case folder, so files under in/ or out/ are never taken for cases.
std::vector<std::string> findCases() {
    std::vector<std::string> cases;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(casesRoot(), ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_directory() || !fs::is_regular_file(it->path() / "args")) continue;
        cases.push_back(it->path().lexically_relative(casesRoot()).generic_string());
        it.disable_recursion_pending();
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

// "options/hexTwice" becomes "options_hexTwice": test names allow only letters,
// digits and underscores.
std::string testName(const std::string &casePath) {
    std::string name = casePath;
    for (char &c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain) c = '_';
    }
    return name;
}

// Every regular file below `dir`: relative path to contents.
std::map<std::string, std::string> readTree(const fs::path &dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_regular_file())
            files[it->path().lexically_relative(dir).generic_string()] =
                readFileBytes(it->path().string());
    }
    return files;
}

std::vector<InputFile> readInputs(const fs::path &dir) {
    std::vector<InputFile> inputs;
    for (const auto &[name, bytes] : readTree(dir)) {
        const std::string suffix = ".txt";
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            inputs.push_back({name.substr(0, name.size() - suffix.size()), assembleModule(bytes)});
        } else {
            inputs.push_back({name, bytes});
        }
    }
    return inputs;
}

int readStatus(const fs::path &caseDir) {
    std::ifstream in(caseDir / "status");
    int status = 0;
    if (in) in >> status;
    return status;
}

void writeFile(const fs::path &path, const std::string &bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

void regenerate(const fs::path &caseDir, const RunResult &result) {
    writeFile(caseDir / "stdout", result.out);
    std::error_code ec;
    if (result.exitStatus == 0) {
        fs::remove(caseDir / "status", ec);
    } else {
        writeFile(caseDir / "status", std::to_string(result.exitStatus) + "\n");
    }
    fs::remove_all(caseDir / "out", ec);
    for (const auto &[name, bytes] : result.files) writeFile(caseDir / "out" / name, bytes);
}

void compareOutputs(const fs::path &caseDir, const RunResult &result) {
    EXPECT_EQ(result.exitStatus, readStatus(caseDir)) << "exit status; stdout:\n" << result.out;
    std::string expectedOut = readFileBytes((caseDir / "stdout").string());
    std::string difference = describeDifference("stdout", expectedOut, result.out);
    if (!difference.empty()) ADD_FAILURE() << difference;

    std::map<std::string, std::string> expected = readTree(caseDir / "out");
    for (const auto &[name, bytes] : expected) {
        auto produced = result.files.find(name);
        if (produced == result.files.end()) {
            ADD_FAILURE() << "expected output file " << name << " was not produced";
            continue;
        }
        difference = describeDifference(name, bytes, produced->second);
        if (!difference.empty()) ADD_FAILURE() << difference;
    }
    for (const auto &[name, bytes] : result.files) {
        if (expected.find(name) == expected.end())
            ADD_FAILURE() << "unexpected file " << name << " (" << bytes.size()
                          << " bytes) was left behind";
    }
}

LinkList readLinks(const fs::path &caseDir) {
    LinkList links;
    std::vector<std::string> linkFields = splitArguments(readFileBytes((caseDir / "links").string()));
    for (std::size_t i = 0; i + 1 < linkFields.size(); i += 2) links.emplace_back(linkFields[i], linkFields[i + 1]);
    return links;
}

class EndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, Case) {
    const fs::path caseDir = casesRoot() / GetParam();
    std::vector<std::string> args = splitArguments(readFileBytes((caseDir / "args").string()));
    std::vector<InputFile> inputs = readInputs(caseDir / "in");
    ASSERT_FALSE(HasFailure()) << "the inputs of " << GetParam() << " did not assemble";

    RunResult result = runRomcastWithLinks(readLinks(caseDir), args, inputs);
    ASSERT_EQ(result.signal, 0) << "romcast was ended by a signal\n" << describeRun(result);
    EXPECT_EQ(result.err, "") << "romcast wrote to standard error";

    const char *regen = std::getenv("ROMCAST_REGEN");
    if (regen != nullptr && std::string(regen) == "1") {
        regenerate(caseDir, result);
    } else {
        compareOutputs(caseDir, result);
    }
}

// Every case once more, one after the other in this one process, through the
// library: failing runs among them must leave nothing behind that changes the
// next, so each gives the files and console text of its own process.
TEST(InProcess, EveryCaseGivesWhatItsOwnProcessGives) {
    for (const std::string &name : findCases()) {
        const fs::path caseDir = casesRoot() / name;
        const std::string argLine = readFileBytes((caseDir / "args").string());
        // The process's own standard output is not the console of a run in it.
        if (argLine.find("/dev/") != std::string::npos) continue;
        SCOPED_TRACE(name);
        const RunResult result =
            runRomcastInProcess(readLinks(caseDir), splitArguments(argLine), readInputs(caseDir / "in"));
        compareOutputs(caseDir, result);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(findCases()),
                         [](const testing::TestParamInfo<std::string> &info) {
                             return testName(info.param);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EndToEnd);

}  // namespace
