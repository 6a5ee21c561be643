// The input file on Windows. A file on a disk is mapped: while a view of it
// is open no other program can cut it short, so its bytes stay readable to
// the end, and nothing is copied. Anything else (a pipe, a device) is read
// through its stream as its bytes come.
#include <io.h>
#include <windows.h>

#include "platform/fileSystem.h"
#include "platform/inputFile.h"

namespace platform {

void InputFile::close() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    view_ = nullptr;
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
}

// The stream's own reads: a console or a pipe blocks until it has bytes.
InputFile::Read InputFile::read(std::uint8_t *to, std::size_t count, int) {
    const std::size_t got = std::fread(to, 1, count, stream_);
    if (got > 0) return {got, Outcome::bytes};
    return {0, std::ferror(stream_) != 0 ? Outcome::failed : Outcome::ended};
}

bool InputFile::settle(std::size_t, std::size_t) { return false; }

// A mapped file keeps its size while it is mapped; one read instead is read
// whole at once where it is small, and a shorter read shows a cut.
bool InputFile::unchanged() const { return true; }

void mapInputsShared() {}

std::optional<InputFile> openInputFile(const std::string &name) {
    std::FILE *stream = openFile(name, "rb");
    if (stream == nullptr) return std::nullopt;
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size))
        return InputFile(stream, false, 0, {});
    const std::uint8_t *view = nullptr;
    const HANDLE mapping = size.QuadPart > 0 ? CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
    if (mapping != nullptr) {
        // The view holds the mapping, and the mapping the file, until it is unmapped.
        view = static_cast<const std::uint8_t *>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        CloseHandle(mapping);
    }
    return InputFile(stream, true, static_cast<std::uint64_t>(size.QuadPart), {}, view);
}

}  // namespace platform
