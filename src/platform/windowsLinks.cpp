// Symbolic links on Windows, followed as on POSIX systems so that an output
// named by a link is written through it: the image replaces the link's target,
// and the link stays.
#include <cstddef>
#include <string>

#include <windows.h>
#include <winioctl.h>

#include "platform/fileSystem.h"
#include "platform/windowsNames.h"

namespace platform {

namespace {

// The start of a symbolic link's reparse data as FSCTL_GET_REPARSE_POINT gives
// it; the headers of user programs leave it out.
struct SymbolicLinkData {
    DWORD tag;               // IO_REPARSE_TAG_SYMLINK
    WORD dataLength;         // bytes from substituteOffset on
    WORD reserved;
    WORD substituteOffset;   // the target as the system reads it ("\??\C:\..."), bytes into pathBuffer
    WORD substituteLength;   // bytes
    WORD printOffset;        // the target as it was given, bytes into pathBuffer
    WORD printLength;        // bytes
    ULONG flags;             // symbolicLinkRelative: the target lies beside the link
    WCHAR pathBuffer[1];
};
constexpr ULONG symbolicLinkRelative = 1;

// The target of the symbolic link `name`, a relative one joined to the link's
// directory; nothing when `name` is no symbolic link (or none the system shows).
std::optional<std::string> readSymbolicLink(const std::string &name) {
    const HANDLE handle = CreateFileW(systemPath(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    alignas(SymbolicLinkData) char data[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
    DWORD size = 0;
    const bool read = DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, data, sizeof data, &size, nullptr);
    CloseHandle(handle);
    const auto *link = reinterpret_cast<const SymbolicLinkData *>(data);
    if (!read || size < offsetof(SymbolicLinkData, pathBuffer) || link->tag != IO_REPARSE_TAG_SYMLINK) return std::nullopt;
    const bool printed = link->printLength > 0;
    const WORD offset = printed ? link->printOffset : link->substituteOffset;
    const WORD length = printed ? link->printLength : link->substituteLength;
    if (offsetof(SymbolicLinkData, pathBuffer) + offset + length > size) return std::nullopt;
    std::wstring target(link->pathBuffer + offset / sizeof(WCHAR), length / sizeof(WCHAR));
    // The system's own form of an absolute name.
    if (!printed && target.starts_with(L"\\??\\")) target.erase(0, 4);
    if ((link->flags & symbolicLinkRelative) != 0) return name.substr(0, directoryLength(name)) + narrow(target);
    return narrow(target);
}

// `name` without the long-path prefix that the system puts before full names.
std::wstring withoutPrefix(std::wstring name) {
    if (name.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + name.substr(8);
    if (name.starts_with(L"\\\\?\\")) return name.substr(4);
    return name;
}

// The full name of the file that `name` leads to, when the system followed a
// link to another file on the way; nothing otherwise.
std::optional<std::string> followedPathOf(const std::string &name) {
    const std::wstring path = systemPath(name);
    const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::wstring final(32768, L'\0');
    const DWORD finalLength = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    std::wstring full(32768, L'\0');
    const DWORD fullLength = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (finalLength == 0 || finalLength >= final.size() || fullLength == 0 || fullLength >= full.size())
        return std::nullopt;
    final = withoutPrefix(final.substr(0, finalLength));
    full = withoutPrefix(full.substr(0, fullLength));
    if (CompareStringOrdinal(final.c_str(), -1, full.c_str(), -1, TRUE) == CSTR_EQUAL) return std::nullopt;
    return narrow(final);
}

}  // namespace

std::optional<std::string> followLinks(const std::string &name) {
    std::string path = name;
    for (int depth = 0;; ++depth) {
        const std::optional<std::string> target = readSymbolicLink(path);
        if (!target) break;
        // Links that go round in a circle.
        if (depth == 40) return std::nullopt;
        path = *target;
    }
    // A link that the system follows without showing it as one still leads to
    // another file, which the image then replaces: Wine shows the links of its
    // host's file system as the files they lead to.
    return followedPathOf(path).value_or(path);
}

}  // namespace platform
