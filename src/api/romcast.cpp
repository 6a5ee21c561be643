#include <romcast/romcast.h>

#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "api/apiErrors.h"
#include "api/commandLine.h"
#include "common/cancel.h"
#include "common/console.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "plan/securityPlan.h"
#include "run/runSequence.h"

namespace romcast {
namespace {

// The name a module held in memory goes by in messages and output names.
const char heldModuleName[] = "module.tqx";

// The command line as main receives it: the program's name first, then the
// arguments, then a null pointer. The run only reads it.
std::vector<const char *> argvOf(const std::vector<std::string> &args) {
    std::vector<const char *> argv;
    argv.reserve(args.size() + 2);
    argv.push_back("romcast");
    for (const std::string &argument : args) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return argv;
}

// The extension of an output's name, as the command line would give it.
std::string extensionOf(const std::string &name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return name.substr(dot);
}

SecurityByte::From fromOf(SecuritySource source) {
    if (source == SecuritySource::module) return SecurityByte::From::module;
    return source == SecuritySource::byDefault ? SecurityByte::From::byDefault : SecurityByte::From::option;
}

// The bytes the plan asks for: the ID code with one, the protect byte with any
// protect choice in force.
std::vector<SecurityByte> securityBytesOf(const SecurityPlan &plan) {
    std::vector<SecurityByte> bytes;
    if (plan.has(flag::idCode))
        for (std::size_t i = 0; i < plan.idAddresses.size(); ++i)
            bytes.push_back(SecurityByte{plan.idAddresses[i], plan.idBytes[i], SecurityByte::What::id, fromOf(plan.idSource)});
    if (plan.has(flag::protectDefault | flag::protect1 | flag::protect2 | flag::protectX))
        bytes.push_back(SecurityByte{plan.protectAddress, static_cast<std::uint8_t>(plan.protectValue),
                                     SecurityByte::What::protect, fromOf(plan.protectSource)});
    return bytes;
}

}  // namespace

std::string_view version() { return programVersion; }

Error publicError(const RunError &error) {
    std::string line = error.message;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return Error(error.code, error.status, std::move(line));
}

RunError currentRunError() {
    try {
        throw;
    } catch (const RunError &error) {
        return error;
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

int run(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel) {
    RunError failure;
    try {
        const std::vector<const char *> argv = argvOf(args);
        runConversion(static_cast<int>(argv.size() - 1), argv.data(), console, CancelFlags{cancel});
        return 0;
    } catch (...) {
        failure = currentRunError();
    }
    // The run has cleaned up and shown the banner: the message is all that is left.
    std::fputs(failure.message.c_str(), console);
    std::fflush(console);
    return failure.status;
}

Result convert(std::span<const std::uint8_t> bytes, const Options &options) { return convert(bytes, options, Hooks{}); }

Result convert(std::span<const std::uint8_t> bytes, const Options &options, const Hooks &hooks) {
    return asPublicErrors([&] {
        Result result;
        ConsoleHooks console;
        console.warning = [&](int code, std::string_view line) {
            result.warnings.push_back(Warning{code, std::string(line)});
            if (hooks.warning) hooks.warning(result.warnings.back());
        };
        console.progress = hooks.progress;
        const std::vector<std::string> args = argumentsOf(options, heldModuleName);
        const std::vector<const char *> argv = argvOf(args);
        InMemoryRun run = convertInMemory(static_cast<int>(argv.size() - 1), argv.data(), bytes, std::move(console),
                                          CancelFlags{hooks.cancel});
        for (MemoryOutputs::Output &output : run.outputs)
            result.outputs.push_back(Output{extensionOf(output.name), std::move(output.bytes)});
        result.security = securityBytesOf(run.security);
        return result;
    });
}

}  // namespace romcast
