#include "output/outputTransaction.h"

#include "common/cancel.h"
#include "common/messages.h"
#include "common/runError.h"
#include "platform/fileSystem.h"

OutputTransaction::~OutputTransaction() {
    if (!finished) rollback();
}

std::FILE *OutputTransaction::create(OutputRole role, const std::string &name) {
    Output &output = slot(role);
    output.name = name;
    if (platform::isDeviceOrPipe(name)) {
        output.stream = platform::openFile(name, "wb");
        if (output.stream == nullptr) fatalError(err::cantCreate, name.c_str());
        output.created = true;
        return output.stream;
    }
    // A name that is a symbolic link is written through: the temporary file goes
    // beside the link's target and replaces the target, and the link stays.
    const std::optional<std::string> target = platform::followLinks(name);
    if (!target) fatalError(err::cantCreate, name.c_str());
    std::optional<platform::TemporaryFile> temporary = platform::createTemporaryBeside(*target);
    if (!temporary) fatalError(err::cantCreate, name.c_str());
    output.stream = temporary->stream;
    output.temporaryName = temporary->name;
    output.target = *target;
    output.created = true;
    // An older file of the name goes now, as opening it for writing would have
    // emptied it.
    if (!platform::removeFile(output.target)) fatalError(err::cantCreate, name.c_str());
    return output.stream;
}

std::FILE *OutputTransaction::createKept(OutputRole role, const std::string &name) {
    Output &output = slot(role);
    output.name = name;
    output.kept = true;
    output.stream = platform::openFile(name, "wb");
    if (output.stream == nullptr) fatalError(err::cantCreate, name.c_str());
    output.created = true;
    return output.stream;
}

void OutputTransaction::commit(const CancelFlags &cancel) {
    for (Output &output : outputs) {
        if (output.stream == nullptr) continue;
        std::FILE *closing = output.stream;
        output.stream = nullptr;  // closed at most once, even when the close fails
        // Whatever the file holds must be on the disk before its name is given
        // to it, so that the rename never publishes an image a crash could lose.
        const bool flushed = output.temporaryName.empty() || platform::flushToDisk(closing);
        if (std::fclose(closing) != 0 || !flushed) fatalError(err::cantClose, output.name.c_str());
    }
    // Every file is complete. An interrupt that came while closing still ends
    // the run before any output takes its name.
    checkInterrupt(cancel);
    for (Output &output : outputs) {
        if (output.temporaryName.empty()) continue;
        if (!platform::replaceFile(output.temporaryName, output.target)) fatalError(err::cantCreate, output.name.c_str());
        output.temporaryName.clear();
    }
    finished = true;
}

void OutputTransaction::rollback() {
    finished = true;
    for (Output &output : outputs) {
        if (output.stream != nullptr) std::fclose(output.stream);
        output.stream = nullptr;
        if (!output.created || output.kept) continue;
        // A device stays; a file goes under both its names, also one already
        // closed or already renamed into place.
        if (output.target.empty()) continue;
        if (!output.temporaryName.empty()) platform::removeFile(output.temporaryName);
        platform::removeFile(output.target);
    }
}
