#include "e2e/harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <romcast/romcast.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::size_t fileSize(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

// The bytes held by the files below `dir`.
std::size_t bytesBelow(const std::string &dir) {
    std::size_t total = 0;
    std::error_code ec, typeError;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->is_regular_file(typeError)) total += fileSize(it->path().string());
    return total;
}

// Waits for `child` while watching the triggers of `control`; without time
// limit and signal it just waits.
int waitUnderControl(pid_t child, const RunControl &control, const std::string &workDir,
                     const std::string &stdoutPath, std::size_t inputBytes, bool &timedOut) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int signalsLeft = control.signal != 0 ? control.signalCount : 0;
    bool triggered = false;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, control.timeLimit > 0 || signalsLeft > 0 ? WNOHANG : 0);
        if (done == child) return status;
        if (done < 0 && errno != EINTR) return -1;
        if (done != 0) continue;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (control.timeLimit > 0 && elapsed > control.timeLimit) {
            timedOut = true;
            kill(child, SIGKILL);
            continue;
        }
        triggered = triggered || (control.signalAfterSeconds > 0 && elapsed >= control.signalAfterSeconds) ||
                    (control.signalAfterOutput > 0 && fileSize(stdoutPath) >= control.signalAfterOutput) ||
                    (control.signalAfterWritten > 0 && bytesBelow(workDir) >= inputBytes + control.signalAfterWritten);
        if (triggered && signalsLeft > 0) {
            kill(child, control.signal);
            if (--signalsLeft > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

// Runs `binary` with `args` in `workDir`, standard input from /dev/null and the
// two output streams into files; env adds to its environment. No shell is
// involved unless a limit asks for one, so arguments reach the program exactly
// as given. The
// child is spawned rather than forked: forking a test process built with the
// address sanitizer copies its huge mappings, which costs far more than the run.
RunResult runProcess(const std::string &binary, const std::vector<std::string> &args,
                          const std::string &workDir, const std::string &stdoutPath,
                          const std::string &stderrPath, const RunControl &control = {},
                          std::size_t inputBytes = 0) {
    std::vector<std::string> command = {"/usr/bin/env"};
    command.insert(command.end(), control.environment.begin(), control.environment.end());
    if (control.addressSpace != 0 || control.fileSize != 0) {
        // sh's ulimit -v counts kilobytes, -f blocks of 512 bytes; "$0" is the
        // program, "$@" its arguments.
        std::string limits;
        if (control.addressSpace != 0) limits += "ulimit -v " + std::to_string(control.addressSpace / 1024) + " && ";
        if (control.fileSize != 0) limits += "ulimit -f " + std::to_string(control.fileSize / 512) + " && ";
        command.insert(command.end(), {"/bin/sh", "-c", limits + "exec \"$0\" \"$@\""});
    }
    command.push_back(binary);
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &arg : command) argv.push_back(arg.data());
    argv.push_back(nullptr);

    RunResult outcome;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char *const streams[] = {"/dev/null", stdoutPath.c_str(), stderrPath.c_str()};
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if ((control.closedDescriptors >> descriptor & 1) != 0)
            posix_spawn_file_actions_addclose(&actions, descriptor);
        else
            posix_spawn_file_actions_addopen(&actions, descriptor, streams[descriptor],
                                             descriptor == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    std::fflush(stdout);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return outcome;

    const int status = waitUnderControl(child, control, workDir, stdoutPath, inputBytes, outcome.timedOut);
    if (status != -1 && WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (status != -1 && WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    return outcome;
}

bool isText(const std::string &bytes) {
    return std::none_of(bytes.begin(), bytes.end(), [](unsigned char c) {
        return c >= 0x7F || (c < 0x20 && c != '\n' && c != '\t' && c != '\r');
    });
}

// The line of `text` that holds byte `at`, in quotes, its line end and carriage
// return shown, so blanks and a missing newline are visible.
std::string lineAt(const std::string &text, std::size_t at) {
    std::size_t i = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;  // npos + 1 is 0
    if (i >= text.size()) return "(no more lines)";
    std::string quoted = "\"";
    for (; i < text.size() && (quoted.size() == 1 || text[i - 1] != '\n'); ++i)
        quoted += text[i] == '\n' ? "\\n" : text[i] == '\r' ? "\\r" : std::string(1, text[i]);
    return quoted + "\"";
}

std::string hexAround(const std::string &bytes, std::size_t offset) {
    std::string shown;
    char piece[8];
    for (std::size_t i = offset >= 8 ? offset - 8 : 0; i < std::min(bytes.size(), offset + 9); ++i) {
        std::snprintf(piece, sizeof piece, i == offset ? "[%02X]" : " %02X ", static_cast<unsigned char>(bytes[i]));
        shown += piece;
    }
    return offset >= bytes.size() ? shown + "[end]" : shown;
}

}  // namespace

std::string readFileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::string assembleModule(const std::string &text) {
    RunResult run = runProgram(ROMCAST_MODASM, {"module.txt", "module.tqx"}, {{"module.txt", text}});
    if (run.exitStatus == 0) return run.files["module.tqx"];
    ADD_FAILURE() << "modasm failed (status " << run.exitStatus << "): " << run.err << "module text:\n" << text;
    return "";
}

bool writeFileBytes(const fs::path &path, const std::string &bytes) {
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

namespace {

// How a run is carried out: in `work`, its console streams into the two files;
// it gives the exit status, signal and time-out, or neither status nor signal
// when the run could not start.
using Executor = std::function<RunResult(const std::string &work, const std::string &stdoutPath,
                                              const std::string &stderrPath, std::size_t inputBytes)>;

RunResult runIn(const Executor &execute, const std::vector<InputFile> &inputs, const LinkList &linkList = {}) {
    RunResult result;
    const TestDir scratch;
    if (scratch.path.empty()) {
        ADD_FAILURE() << "cannot create a scratch directory";
        return result;
    }
    const std::string &dir = scratch.path;
    // The program runs in work/; its console streams go beside it, so they
    // never show up among the files it leaves.
    const fs::path work = fs::path(dir) / "work";
    std::error_code ec;
    fs::create_directory(work, ec);
    std::map<std::string, std::string> given;
    std::size_t inputBytes = 0;
    for (const InputFile &input : inputs) {
        inputBytes += input.bytes.size();
        if (!writeFileBytes(work / input.name, input.bytes))
            ADD_FAILURE() << "cannot write input " << input.name;
        given[fs::path(input.name).lexically_normal().generic_string()] = input.bytes;
    }
    std::map<std::string, fs::path> links;
    for (const auto &[name, target] : linkList) {
        const fs::path link = work / name;
        fs::create_directories(link.parent_path(), ec);
        fs::create_symlink(target, link, ec);
        if (ec) ADD_FAILURE() << "cannot make the link " << name;
        links[fs::path(name).lexically_normal().generic_string()] = target;
    }

    result = execute(work.string(), dir + "/stdout", dir + "/stderr", inputBytes);
    if (result.exitStatus < 0 && result.signal == 0) ADD_FAILURE() << "cannot run the conversion";
    result.out = readFileBytes(dir + "/stdout");
    result.err = readFileBytes(dir + "/stderr");

    for (auto it = fs::recursive_directory_iterator(work, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string name = it->path().lexically_relative(work).generic_string();
        auto link = links.find(name);
        if (link != links.end() && it->is_symlink() && fs::read_symlink(it->path(), ec) == link->second) continue;
        if (!it->is_regular_file()) continue;
        std::string bytes = readFileBytes(it->path().string());
        auto input = given.find(name);
        if (input != given.end() && input->second == bytes) continue;
        result.files[name] = bytes;
    }
    for (const auto &[name, bytes] : given)
        if (!fs::exists(work / name, ec)) result.removed.insert(name);
    return result;
}

}  // namespace

RunResult runRomcastInProcess(const LinkList &links, const std::vector<std::string> &args,
                              const std::vector<InputFile> &inputs) {
    const Executor here = [&](const std::string &work, const std::string &out, const std::string &,
                              std::size_t) {
        RunResult outcome;
        std::FILE *console = std::fopen(out.c_str(), "w");
        const fs::path home = fs::current_path();
        if (console == nullptr || chdir(work.c_str()) != 0) return outcome;
        outcome.exitStatus = romcast::run(args, console);
        std::fclose(console);
        fs::current_path(home);
        return outcome;
    };
    return runIn(here, inputs, links);
}

namespace {

// The command that runs romcast: the built program, or the words of
// ROMCAST_COMMAND when the tests check another build of it (romcast.exe under
// Wine: "/usr/lib/wine/wine64 /path/romcast.exe").
std::vector<std::string> romcastCommand() {
    const char *other = std::getenv("ROMCAST_COMMAND");
    if (other == nullptr || *other == '\0') return {ROMCAST_BINARY};
    return splitArguments(other);
}

}  // namespace

bool testingAnotherBuild() { return romcastCommand().front() != ROMCAST_BINARY; }

RunResult runRomcast(const std::vector<std::string> &args, const std::vector<InputFile> &inputs,
                     const RunControl &control, const LinkList &links) {
    std::vector<std::string> command = romcastCommand();
    const std::string program = command.front();
    command.erase(command.begin());
    command.insert(command.end(), args.begin(), args.end());
    RunResult result = runProgram(program, command, inputs, control, links);
    // Under load, Wine now and then fails to start a program: status 1 before
    // it printed anything, which romcast itself never ends with. Such a start
    // is tried again.
    for (int retry = 0; retry < 2 && testingAnotherBuild() && result.exitStatus == 1 && result.out.empty(); ++retry)
        result = runProgram(program, command, inputs, control, links);
    return result;
}

RunResult runProgram(const std::string &binary, const std::vector<std::string> &args,
                     const std::vector<InputFile> &inputs, const RunControl &control, const LinkList &links) {
    const Executor inChild = [&](const std::string &work, const std::string &out, const std::string &err,
                                 std::size_t inputBytes) {
        return runProcess(binary, args, work, out, err, control, inputBytes);
    };
    return runIn(inChild, inputs, links);
}

std::vector<std::string> splitArguments(const std::string &line) {
    std::vector<std::string> args;
    bool inArgument = false;
    bool quoted = false;
    for (char c : line) {
        if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            inArgument = false;
            continue;
        }
        if (!inArgument) args.emplace_back();
        inArgument = true;
        if (c == '"') quoted = !quoted; else args.back() += c;
    }
    return args;
}

std::string describeDifference(const std::string &what, const std::string &expected,
                               const std::string &actual) {
    if (expected == actual) return "";
    const std::size_t at = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
                           expected.begin();
    std::ostringstream message;
    message << what << " (expected " << expected.size() << " bytes, got " << actual.size() << ") differs ";
    if (isText(expected) && isText(actual)) {
        message << "at line " << std::count(expected.begin(), expected.begin() + static_cast<long>(at), '\n') + 1
                << "\n  expected: " << lineAt(expected, at) << "\n  actual:   " << lineAt(actual, at) << "\n";
        if (actual.size() <= 4000) message << "whole actual " << what << ":\n" << actual;
    } else {
        message << "at byte 0x" << std::hex << std::uppercase << at << "\n  expected: " << hexAround(expected, at)
                << "\n  actual:   " << hexAround(actual, at) << "\n";
    }
    return message.str();
}

std::string describeRun(const RunResult &result) {
    std::ostringstream text;
    if (result.timedOut) text << "ended by the time limit\n";
    else if (result.signal != 0) text << "ended by signal " << result.signal << "\n";
    else text << "exit status " << result.exitStatus << "\n";
    text << "stdout:\n" << result.out << (result.out.empty() || result.out.back() == '\n' ? "" : "\n");
    if (!result.err.empty()) text << "stderr:\n" << result.err << "\n";
    text << "files:";
    for (const auto &[name, bytes] : result.files) text << " " << name << " (" << bytes.size() << ")";
    return text.str() + "\n";
}

TestDir::TestDir(const char *tmpfsOptions, unsigned long mountFlags) {
    std::string pattern = (fs::temp_directory_path() / "romcast-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    if (!path.empty() && tmpfsOptions != nullptr)
        mounted = mount("tmpfs", path.c_str(), "tmpfs", mountFlags, tmpfsOptions) == 0;
}

TestDir::~TestDir() {
    if (mounted) umount(path.c_str());
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
}

std::size_t TestDir::count() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {}));
}

bool addressSanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

fs::path casesRoot() { return fs::path(ROMCAST_SOURCE_DIR) / "tests" / "e2e" / "cases"; }

// The search does not descend into a case folder, so files under in/ or out/
// are never taken for cases.
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

std::string testName(std::string name) {
    std::replace_if(name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
}
