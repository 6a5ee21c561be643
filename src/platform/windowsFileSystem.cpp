// The file system of Windows, through the wide-character API: names are UTF-8
// inside the program and UTF-16 at the system's door.
#include <cstdint>
#include <string>

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
