// Runs every case folder under tests/e2e/cases/ (one holding an `args` file) as
// one test: tests/README.md describes the folder layout. With ROMCAST_REGEN=1
// the expectations are rewritten from the actual run instead.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
        const bool text = name.size() > 4 && name.ends_with(".txt");  // a module text, assembled
        inputs.push_back(text ? InputFile{name.substr(0, name.size() - 4), assembleModule(bytes)} : InputFile{name, bytes});
    }
    return inputs;
}

// The inputs a run removed, one a line.
std::string removedLines(const RunResult &result) {
    std::string lines;
    for (const std::string &name : result.removed) lines += name + "\n";
    return lines;
}

// A file missing from the case folder stands for its usual contents: status 0,
// no input removed.
void regenerate(const fs::path &caseDir, const RunResult &result) {
    std::error_code ec;
    fs::remove(caseDir / "status", ec);
    fs::remove(caseDir / "removed", ec);
    fs::remove_all(caseDir / "out", ec);
    writeFileBytes(caseDir / "stdout", result.out);
    if (result.exitStatus != 0) writeFileBytes(caseDir / "status", std::to_string(result.exitStatus) + "\n");
    if (!result.removed.empty()) writeFileBytes(caseDir / "removed", removedLines(result));
    for (const auto &[name, bytes] : result.files) writeFileBytes(caseDir / "out" / name, bytes);
}

void compareOutputs(const fs::path &caseDir, const RunResult &result) {
    int status = 0;
    std::ifstream(caseDir / "status") >> status;
    EXPECT_EQ(result.exitStatus, status) << "exit status; stdout:\n" << result.out;
    const std::string expectedOut = readFileBytes((caseDir / "stdout").string());
    const std::string difference = describeDifference("stdout", expectedOut, result.out);
    EXPECT_TRUE(difference.empty()) << difference;
    EXPECT_EQ(removedLines(result), readFileBytes((caseDir / "removed").string())) << "inputs the run removed";

    const std::map<std::string, std::string> expected = readTree(caseDir / "out");
    for (const auto &[name, bytes] : expected) {
        const auto produced = result.files.find(name);
        const std::string fileDifference = produced == result.files.end()
            ? "expected output file " + name + " was not produced" : describeDifference(name, bytes, produced->second);
        EXPECT_TRUE(fileDifference.empty()) << fileDifference;
    }
    for (const auto &[name, bytes] : result.files)
        EXPECT_TRUE(expected.contains(name)) << "unexpected file " << name << " (" << bytes.size() << " bytes)";
}

LinkList readLinks(const fs::path &caseDir) {
    LinkList links;
    std::vector<std::string> linkFields = splitArguments(readFileBytes((caseDir / "links").string()));
    for (std::size_t i = 0; i + 1 < linkFields.size(); i += 2) links.emplace_back(linkFields[i], linkFields[i + 1]);
    return links;
}

// Cases that mean something else on Windows, skipped when the tests check
// romcast.exe: the case and why.
const std::map<std::string, std::string> casesOfThisSystemOnly = {
    {"idcode/refuse-non-ascii", "its argument holds a byte that is not UTF-8, which no Windows command line carries"},
    {"naming/backslashDirectory", "its input's file name holds a backslash, a separator on Windows"},
    {"naming/outputThroughLink", "its outputs are symbolic links to files not yet made"},
};

class EndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, Case) {
    const auto thisSystemOnly = casesOfThisSystemOnly.find(GetParam());
    if (testingAnotherBuild() && thisSystemOnly != casesOfThisSystemOnly.end()) GTEST_SKIP() << thisSystemOnly->second;
    const fs::path caseDir = casesRoot() / GetParam();
    std::vector<std::string> args = splitArguments(readFileBytes((caseDir / "args").string()));
    std::vector<InputFile> inputs = readInputs(caseDir / "in");
    ASSERT_FALSE(HasFailure()) << "the inputs of " << GetParam() << " did not assemble";

    RunResult result = runRomcast(args, inputs, {}, readLinks(caseDir));
    ASSERT_EQ(result.signal, 0) << "romcast was ended by a signal\n" << describeRun(result);
    EXPECT_EQ(result.err, "") << "romcast wrote to standard error";

    const char *regen = std::getenv("ROMCAST_REGEN");
    if (regen != nullptr && std::string(regen) == "1") {
        regenerate(caseDir, result);
    } else {
        compareOutputs(caseDir, result);
    }
}

void compareInProcess(const std::string &name) {
    const fs::path caseDir = casesRoot() / name;
    const std::string argLine = readFileBytes((caseDir / "args").string());
    // The process's own standard output is not the console of a run in it.
    if (argLine.find("/dev/") != std::string::npos) return;
    SCOPED_TRACE(name);
    const RunResult result = runRomcastInProcess(readLinks(caseDir), splitArguments(argLine), readInputs(caseDir / "in"));
    compareOutputs(caseDir, result);
}

// Every case once more, one after the other in one process, through the
// library: failing runs among them must leave nothing behind that changes the
// next, so each gives the files and console text of its own process. That
// process is a child, which reports its failures itself and tells each case
// as it begins it: a run that crashes fails its case alone, and the cases
// after it go on in a new child.
TEST(InProcess, EveryCaseGivesWhatItsOwnProcessGives) {
    const std::vector<std::string> cases = findCases();
    // Told once every child is done: a child would take a failure of this
    // process for one of its own.
    std::string crashed;
    for (std::size_t first = 0; first < cases.size();) {
        int begun[2];
        ASSERT_EQ(pipe(begun), 0);
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            for (std::size_t i = first; i < cases.size(); ++i) {
                if (write(begun[1], &i, sizeof i) == sizeof i) compareInProcess(cases[i]);
            }
            std::fflush(stdout);
            _exit(HasFailure() ? 1 : 0);
        }
        close(begun[1]);
        std::size_t last = first;
        while (read(begun[0], &last, sizeof last) == sizeof last) {}
        close(begun[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status)) crashed += cases[last] + ": ended by signal " + std::to_string(WTERMSIG(status)) + "\n";
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "the failures of the cases are shown above";
        first = WIFSIGNALED(status) ? last + 1 : cases.size();
    }
    EXPECT_EQ(crashed, "") << "cases whose run crashed";
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(findCases()),
                         [](const testing::TestParamInfo<std::string> &info) {
                             return testName(info.param);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EndToEnd);

}  // namespace
