// Files mapped into memory on Windows. A file with a view open cannot be cut
// short by another program, so the module's bytes stay readable to the end.
#include <io.h>
#include <windows.h>

#include "platform/fileMapping.h"

namespace platform {

void MappedFile::release() {
    if (bytes_ != nullptr) UnmapViewOfFile(bytes_);
    bytes_ = nullptr;
    size_ = 0;
}

std::optional<MappedFile> mapFile(std::FILE *stream) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) ||
        size.QuadPart <= 0)
        return std::nullopt;
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return std::nullopt;
    const void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    // The view holds the mapping, and the mapping the file, until it is unmapped.
    CloseHandle(mapping);
    if (view == nullptr) return std::nullopt;
    return MappedFile(static_cast<const std::uint8_t *>(view), static_cast<std::size_t>(size.QuadPart));
}

}  // namespace platform
