#include "output/outputTransaction.h"

#include <optional>

#include "common/cancel.h"
#include "common/messages.h"
#include "common/runError.h"
#include "platform/fileSystem.h"
#include "platform/outputFile.h"

OutputTransaction::~OutputTransaction() {
    if (!finished) rollback();
}

OutputSink &OutputTransaction::openInPlace(Output &output) {
    platform::OutputFile file = platform::openInPlace(output.name);
    if (!file.isOpen()) {
        // A pipe that waits for its reader gives way to an interrupt.
        checkInterrupt(cancel);
        fatalError(err::cantCreate, output.name);
    }
    output.created = true;
    output.sink = std::make_unique<FileSink>(std::move(file), output.name, cancel, false);
    return *output.sink;
}

OutputSink &OutputTransaction::create(OutputRole role, const std::string &name) {
    Output &output = slot(role);
    output.name = name;
    if (platform::isDeviceOrPipe(name)) return openInPlace(output);
    // A name that is a symbolic link is written through: the temporary file goes
    // beside the link's target and replaces the target, and the link stays.
    const std::optional<std::string> target = platform::followLinks(name);
    if (!target) fatalError(err::cantCreate, name);
    std::optional<platform::TemporaryFile> temporary = platform::createTemporaryBeside(*target);
    if (!temporary) fatalError(err::cantCreate, name);
    output.temporaryName = temporary->name;
    output.target = *target;
    output.created = true;
    output.sink = std::make_unique<FileSink>(std::move(temporary->file), name, cancel, true);
    // An older file of the name goes now, as opening it for writing would have
    // emptied it.
    if (!platform::removeFile(output.target)) fatalError(err::cantCreate, name);
    return *output.sink;
}

OutputSink &OutputTransaction::createKept(OutputRole role, const std::string &name) {
    Output &output = slot(role);
    output.name = name;
    output.kept = true;
    return openInPlace(output);
}

void OutputTransaction::commit() {
    for (Output &output : outputs) {
        // Finished at most once, also when finishing fails.
        if (const std::unique_ptr<FileSink> finishing = std::move(output.sink)) finishing->finish();
    }
    // Every file is complete and on the disk. An interrupt that came while they
    // were finished still ends the run before any output takes its name.
    checkInterrupt(cancel);
    for (Output &output : outputs) {
        if (output.temporaryName.empty()) continue;
        if (!platform::replaceFile(output.temporaryName, output.target)) fatalError(err::cantCreate, output.name);
        output.temporaryName.clear();
    }
    // The new names reach the disk too: after a power loss each final name
    // holds the old image or the new one.
    for (const Output &output : outputs) {
        if (output.kept || output.target.empty()) continue;
        if (!platform::syncDirectoryOf(output.target)) fatalError(err::cantClose, output.name);
    }
    finished = true;
}

void OutputTransaction::rollback() {
    finished = true;
    for (Output &output : outputs) {
        output.sink.reset();  // closed without a look at the result
        if (!output.created || output.kept) continue;
        // A device stays; a file goes under both its names, also one already
        // closed or already renamed into place.
        if (output.target.empty()) continue;
        if (!output.temporaryName.empty()) platform::removeFile(output.temporaryName);
        platform::removeFile(output.target);
    }
}
