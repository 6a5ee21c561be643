#include "core/conversion.h"
#include "output/outputFiles.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "diag/memory.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleReader.h"
#include "security/securityOptions.h"

namespace {

// The input stream's buffer (see openInput).

const char programName[] = "romcast";

// Users type either separator; both split a name into directory and file part.
bool isSeparator(char c) { return c == '\\' || c == '/'; }

const char *findLastSeparator(const char *text) {
    const char *found = nullptr;
    for (const char *p = text; *p != '\0'; ++p)
        if (isSeparator(*p)) found = p;
    return found;
}

// A copy of the first `length` characters of `text`.
const char *copyPrefix(const char *text, std::size_t length) {
    return copyText(std::string(text, length).c_str());
}

// The "-e" text: hexadecimal, a value beginning with A to F written with a leading
// 0, never above the target's address space.
std::uint32_t parseEntryAddress(Conversion &conv, const char *text) {
    if (text[0] == '\0') fatalError(err::notAppropriate, "-e");
    if (text[0] != '0' && std::isalpha(static_cast<unsigned char>(text[0])))
        fatalError(err::notAppropriate, "-e");
    const char *digits = text;
    while (*digits == '0') ++digits;
    for (const char *p = digits; *p != '\0'; ++p)
        if (!isHexDigit(*p)) fatalError(err::notAppropriate, "-e");
    std::uint32_t value = 0;
    for (const char *p = digits; *p != '\0'; ++p) {
        value = value * 16 + static_cast<std::uint32_t>(hexDigitValue(*p));
        if (value > conv.settings.addressLimit) fatalError(err::entryExceeds, conv.settings.addressLimitText);
    }
    return value;
}

// Refuses an output name that is the input module itself, under its own name
// or through a link, before anything is written: the user's module must never
// be truncated.
void refuseTheInput(Conversion &conv, const char *name) {
    if (conv.settings.inputFile == nullptr) return;
    struct stat input {};
    struct stat output {};
    if (fstat(fileno(conv.settings.inputFile), &input) != 0 || stat(name, &output) != 0) return;
    if (input.st_dev == output.st_dev && input.st_ino == output.st_ino) fatalError(err::cantCreate, name);
}

// Creates an output under a temporary name in the directory of `name` (the
// operating system's directory: only '/' separates there), so that a run that
// fails or is killed never leaves a half-written file under the name; the
// closing step renames it. An older file of the name is deleted now, as
// opening it for writing would have emptied it.
std::FILE *createOutput(Conversion &conv, const char *name, const char *mode) {
    // A device or a pipe ("-o /dev/stdout") cannot be replaced: it is written
    // in place and never deleted.
    struct stat existing {};
    if (stat(name, &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        std::FILE *stream = std::fopen(name, mode);
        if (stream == nullptr) fatalError(err::cantCreate, name);
        notePendingOutput(conv, name, nullptr);
        return stream;
    }
    const std::string finalName = name;
    const std::size_t slash = finalName.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string base = finalName.substr(baseStart);
    std::string temporary = finalName.substr(0, baseStart);
    // Hidden, and named after the output while that fits in a name.
    constexpr std::size_t maxBaseLength = 255;
    temporary += base.size() + 8 <= maxBaseLength ? "." + base + ".XXXXXX" : ".romcast.XXXXXX";

    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) fatalError(err::cantCreate, name);
    // mkstemp makes the file private; an image gets the permissions that
    // creating it under its own name would have given.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    std::FILE *stream = fdopen(descriptor, mode);
    if (stream == nullptr) {
        close(descriptor);
        unlink(temporary.c_str());
        fatalError(err::cantCreate, name);
    }
    notePendingOutput(conv, name, temporary.c_str());
    if (unlink(name) != 0 && errno != ENOENT) {
        std::fclose(stream);
        fatalError(err::cantCreate, name);
    }
    return stream;
}

}  // namespace

void deriveNames(Conversion &conv) {
    const char *input = conv.settings.inputName;
    if (input == nullptr) fatalError(err::usage, programName);
    const char *dot = std::strrchr(input, '.');
    if (dot == nullptr) fatalError(err::usage, programName);
    conv.settings.inputStem = copyPrefix(input, static_cast<std::size_t>(dot - input));
    const char *separator = findLastSeparator(input);
    conv.settings.inputDir = copyPrefix(input, separator == nullptr ? 0 : static_cast<std::size_t>(separator - input + 1));

    if (conv.settings.has(flag::outputNameGiven)) {
        const char *given = conv.settings.outputName;
        if (given == nullptr) fatalError(err::notAppropriate, "-o");
        const char *givenSeparator = findLastSeparator(given);
        const char *givenDot = std::strrchr(given, '.');
        // A leading dot of a bare name ("-o .out") is no extension.
        if (givenSeparator != nullptr)
            conv.settings.outputHasExtension = givenDot != nullptr && givenDot > givenSeparator;
        else
            conv.settings.outputHasExtension = givenDot != nullptr && givenDot != given;
        // A bare name goes beside the input module, not into the working directory.
        if (givenSeparator == nullptr)
            conv.settings.outputName = copyText((std::string(conv.settings.inputDir) + given).c_str());
    }

    conv.settings.entryAddress = conv.settings.has(flag::entryGiven) ? parseEntryAddress(conv, conv.settings.entryText) : 0;
}

std::FILE *openOrFail(Conversion &conv, const char *name, const char *mode, int errorCode) {
    if (mode[0] == 'w') refuseTheInput(conv, name);
    std::FILE *file = std::fopen(name, mode);
    if (file == nullptr) fatalError(errorCode, name);
    return file;
}

void openInput(Conversion &conv) {
    conv.settings.inputFile = openOrFail(conv, conv.settings.inputName, "rb", err::cantOpen);
    // A directory opens like a file but reads nothing: it cannot be opened as a module.
    struct stat input {};
    if (fstat(fileno(conv.settings.inputFile), &input) != 0 || S_ISDIR(input.st_mode))
        fatalError(err::cantOpen, conv.settings.inputName);
    // The module is read in several passes: it is read whole, once.
    conv.moduleBytes = loadModuleBytes(conv.settings.inputFile);
}

void openOutputs(Conversion &conv) {
    if (!conv.settings.has(flag::outputNameGiven)) conv.settings.outputName = copyText(conv.settings.inputStem);
    const std::string base = conv.settings.outputName;
    const bool hex = conv.settings.has(flag::hexOutput);

    if (conv.settings.has(flag::dualArea)) {
        if (conv.settings.outputHasExtension != 0) fatalError(err::notAppropriate, "-o (TQ40/51X mode)");
        // The two area files are text; a binary image of both cannot be made, also
        // when "+d51x" rather than the module asked for two areas.
        if (conv.settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
        conv.settings.codeOutputName = base + (hex ? ".hcd" : ".mcd");
        conv.settings.romdataOutputName = base + (hex ? ".hdt" : ".mdt");
    } else {
        const char *extension = hex ? ".hex" : conv.settings.has(flag::binaryOutput) ? ".bin" : ".mot";
        conv.settings.outputFileName = conv.settings.outputHasExtension != 0 ? base : base + extension;
    }
    // The listing takes ".dbg" after the base name, even one with its own extension.
    if (conv.settings.has(flag::debugListing)) conv.settings.debugName = base + ".dbg";

    // Every name is checked before the first file is created.
    if (conv.settings.has(flag::dualArea)) {
        refuseTheInput(conv, conv.settings.codeOutputName.c_str());
        refuseTheInput(conv, conv.settings.romdataOutputName.c_str());
    } else {
        refuseTheInput(conv, conv.settings.outputFileName.c_str());
    }
    if (conv.settings.has(flag::debugListing)) refuseTheInput(conv, conv.settings.debugName.c_str());

    if (conv.settings.has(flag::dualArea)) {
        conv.settings.codeOutputFile = createOutput(conv, conv.settings.codeOutputName.c_str(), "w");
        conv.settings.romdataOutputFile = createOutput(conv, conv.settings.romdataOutputName.c_str(), "w");
    } else {
        conv.settings.outputFile =
            createOutput(conv, conv.settings.outputFileName.c_str(), conv.settings.has(flag::binaryOutput) ? "wb" : "w");
    }
    if (conv.settings.has(flag::debugListing)) conv.settings.debugFile = createOutput(conv, conv.settings.debugName.c_str(), "w");
}
