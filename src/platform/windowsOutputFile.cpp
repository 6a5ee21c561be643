// Output files on Windows: handles and the file API, so that every write's
// result is seen.
#include <windows.h>

#include "platform/fileSystem.h"
#include "platform/outputFile.h"
#include "platform/temporaryName.h"
#include "platform/windowsNames.h"

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

OutputFile adopt(HANDLE handle) { return OutputFile(reinterpret_cast<std::intptr_t>(handle)); }

// Whether a plain create could write the file `name` if it exists: not one
// marked read-only, denied to this user, or held open by a program that lets no
// one else write it.
bool mayReplace(const std::string &name) {
    const HANDLE handle = CreateFileW(systemPath(name).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

WriteOutcome OutputFile::write(const std::uint8_t *bytes, std::size_t count) {
    DWORD written = 0;
    if (!WriteFile(handleOf(handle), bytes, static_cast<DWORD>(count), &written, nullptr)) return {0, false};
    return {written, false};
}

// Windows has no call that starts the writeback of a range and returns: its one
// sync waits for the whole file, and writing through the cache waits at every
// write. The sync at the end does all of it.
void OutputFile::startWriteback(std::uint64_t, std::uint64_t) {}

bool OutputFile::syncToDisk() { return FlushFileBuffers(handleOf(handle)) != 0; }

bool OutputFile::close() {
    if (!isOpen()) return true;
    return CloseHandle(handleOf(std::exchange(handle, closedHandle))) != 0;
}

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    if (!mayReplace(finalName)) return std::nullopt;
    const std::size_t baseStart = directoryLength(finalName);
    // A name longer than a directory entry holds is refused now rather than
    // by the rename at the end, after the whole conversion.
    constexpr std::size_t maxBaseLength = 255;
    if (widen(finalName.substr(baseStart)).size() > maxBaseLength) return std::nullopt;
    // The leading dot marks it as ours; it is not made hidden, as the image
    // keeps the attributes it is created with. Its rights are the directory's,
    // as those of any new file.
    const std::string prefix = temporaryPrefix(finalName, baseStart);

    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    std::uint64_t state = static_cast<std::uint64_t>(now.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + randomLetters(state);
        // CREATE_NEW: a file of that name, ours or not, is never opened.
        const HANDLE handle = CreateFileW(systemPath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return TemporaryFile{adopt(handle), std::move(name)};
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

OutputFile openInPlace(const std::string &name) {
    // As the C runtime opens a file for writing: created or emptied, others may
    // read and write it meanwhile.
    const HANDLE handle = CreateFileW(systemPath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? OutputFile() : adopt(handle);
}

// Windows syncs no directory; the rename (MOVEFILE_WRITE_THROUGH) returns only
// once it is on the disk.
bool syncDirectoryOf(const std::string &) { return true; }

}  // namespace platform
