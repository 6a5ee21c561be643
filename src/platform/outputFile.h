// The output files of a run as the system holds them: made, written, pushed
// towards the disk, synced and closed, with one implementation per system.
// Every call says whether it did what it was asked; the output layer decides
// what a failure means for the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// What one write did: the bytes it wrote (fewer than asked for is a failure),
// and whether a signal came before it wrote any, so that it may be tried again.
struct WriteOutcome {
    std::size_t written;
    bool interrupted;
};

// A file open for writing, owned: closed at the latest when destroyed.
class OutputFile {
public:
    OutputFile() = default;
    // Takes over the system's handle of an open file (a descriptor, a HANDLE).
    explicit OutputFile(std::intptr_t systemHandle) : handle(systemHandle) {}
    OutputFile(OutputFile &&other) noexcept : handle(std::exchange(other.handle, closedHandle)) {}
    OutputFile &operator=(OutputFile &&other) noexcept {
        if (this != &other) {
            close();
            handle = std::exchange(other.handle, closedHandle);
        }
        return *this;
    }
    ~OutputFile() { close(); }

    bool isOpen() const { return handle != closedHandle; }
    // One write of `count` bytes (at most a gigabyte).
    WriteOutcome write(const std::uint8_t *bytes, std::size_t count);
    // Has the system begin writing `count` bytes from `offset` to the disk and
    // returns at once, so that the sync at the end finds little left to do.
    void startWriteback(std::uint64_t offset, std::uint64_t count);
    // Returns once the file's bytes are on the disk.
    bool syncToDisk();
    // False when the close reports a failure; a file is closed at most once.
    bool close();

private:
    static constexpr std::intptr_t closedHandle = -1;  // no descriptor, and INVALID_HANDLE_VALUE
    std::intptr_t handle = closedHandle;
};

// A new, empty file beside `finalName` (the name a link leads to), to be renamed
// onto it: hidden, named after it with random letters added, created
// exclusively, never a file that was there. It gets the permissions that a plain
// create gives, or those of the file of `finalName`, which it will replace.
// Nothing when that file is one that a plain create could not have written (not
// writable by this user), or when no temporary can be made.
struct TemporaryFile {
    OutputFile file;
    std::string name;
};
std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName);

// Opens `name` for writing in place, creating or emptying it: a device, a pipe
// or the ID report. Not open when that fails, also when a signal came while a
// pipe waited for its reader.
OutputFile openInPlace(const std::string &name);

// Makes the names given in the directory of `fileName` (renames) durable.
// True where the system has no such step.
bool syncDirectoryOf(const std::string &fileName);

}  // namespace platform
