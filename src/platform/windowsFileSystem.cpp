// The file system of Windows, through the wide-character API: names are UTF-8
// inside the program and UTF-16 at the system's door.
#include <cstdint>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/fileSystem.h"
#include "platform/windowsNames.h"

namespace platform {

namespace {

HANDLE handleOf(std::FILE *stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

// Opens `name` for nothing but asking about it; links are followed.
HANDLE openForQuery(const std::string &name) {
    return CreateFileW(systemPath(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::optional<FileIdentity> identityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Six letters or digits, the generator `state` stepped on for each.
std::string randomLetters(std::uint64_t &state) {
    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string chosen;
    for (int i = 0; i < 6; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        chosen += letters[(state >> 33) % (sizeof letters - 1)];
    }
    return chosen;
}

// A binary stream over the file just created at `path`; the file goes again
// when no stream can be made.
std::FILE *streamOver(HANDLE handle, const std::wstring &path) {
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE *stream = descriptor < 0 ? nullptr : _fdopen(descriptor, "wb");
    if (stream != nullptr) return stream;
    if (descriptor < 0) CloseHandle(handle); else _close(descriptor);
    DeleteFileW(path.c_str());
    return nullptr;
}

}  // namespace

std::FILE *openFile(const std::string &name, const char *mode) {
    return _wfopen(systemPath(name).c_str(), widen(mode).c_str());
}

bool isDeviceOrPipe(const std::string &name) {
    const HANDLE handle = openForQuery(name);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

// Links on Windows need privileges to make and are rare among build outputs;
// the name itself is written, and renaming onto a link replaces the link.
std::optional<std::string> followLinks(const std::string &name) { return name; }

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    const std::size_t baseStart = directoryLength(finalName);
    const std::string base = finalName.substr(baseStart);
    // A name longer than a directory entry holds is refused now rather than
    // by the rename at the end, after the whole conversion.
    constexpr std::size_t maxBaseLength = 255;
    if (widen(base).size() > maxBaseLength) return std::nullopt;
    // Named after the output while that fits in a name; the leading dot marks
    // it as ours. It is not made hidden, as the image keeps its attributes.
    const std::string prefix = finalName.substr(0, baseStart) + (base.size() + 8 <= maxBaseLength ? "." + base + "." : ".romcast.");

    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    std::uint64_t state = static_cast<std::uint64_t>(now.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = prefix + randomLetters(state);
        const std::wstring path = systemPath(name);
        // CREATE_NEW: a file of that name, ours or not, is never opened.
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            std::FILE *stream = streamOver(handle, path);
            if (stream == nullptr) return std::nullopt;
            return TemporaryFile{stream, name};
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

bool flushToDisk(std::FILE *stream) { return std::fflush(stream) == 0 && FlushFileBuffers(handleOf(stream)) != 0; }

bool replaceFile(const std::string &from, const std::string &to) {
    return MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// DeleteFileW never deletes a directory.
bool removeFile(const std::string &name) {
    if (DeleteFileW(systemPath(name).c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::optional<FileIdentity> identify(std::FILE *stream) { return identityOf(handleOf(stream)); }

bool isSameFile(const FileIdentity &identity, const std::string &name) {
    const HANDLE handle = openForQuery(name);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const std::optional<FileIdentity> named = identityOf(handle);
    CloseHandle(handle);
    return named && named->device == identity.device && named->file == identity.file;
}

std::size_t drivePrefixLength(const std::string &name) {
    const bool letter = !name.empty() && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    return letter && name.size() >= 2 && name[1] == ':' ? 2 : 0;
}

}  // namespace platform
