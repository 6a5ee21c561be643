// The platform's file system for the fuzzing target, in memory: files are
// named strings, the input is read through a stdio stream over its string
// (fopencookie), so the core's own stdio calls work unchanged, and an output
// file's handle is the number of a stream of its own. There are no
// directories, links or devices; a name is just a key.
//
// A run uses a handful of files. Files and streams are kept from run to run
// and used again, their bytes with the memory they had: every allocation costs
// about a microsecond under AddressSanitizer, and a map of shared files made a
// dozen of them in each run, growing strings included.
#include "memoryFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#include <sys/types.h>

#include "platform/fileSystem.h"
#include "platform/inputFile.h"
#include "platform/outputFile.h"

namespace {

struct File {
    std::string name;
    std::string bytes;
    std::uint64_t serial = 0;  // the file's identity, which survives a rename
    bool named = false;        // in the file system under `name`
    int streams = 0;           // open over it; a file removed while open keeps its bytes for them
    bool unused() const { return !named && streams == 0; }
};

struct Stream {
    File *file = nullptr;  // nullptr: closed, free for the next open
    std::size_t position = 0;
    std::FILE *handle = nullptr;
    // The stdio buffer, in place of the 8 KiB that stdio would take at the
    // first read or write; the converter gives its outputs buffers of its own.
    char buffer[BUFSIZ];
};

// The whole file system; the target owns it, the core sees it only through
// the platform functions. Files and streams stay where they are once made, so
// pointers to them hold.
struct FileSystem {
    std::vector<std::unique_ptr<File>> files;
    std::vector<std::unique_ptr<Stream>> streams;
    std::uint64_t nextSerial = 1;
    std::uint64_t nextTemporary = 1;
    std::size_t budget = 0;
    std::atomic<bool> *cancel = nullptr;
};
FileSystem fileSystem;

File *findFile(std::string_view name) {
    for (const auto &file : fileSystem.files)
        if (file->named && file->name == name) return file.get();
    return nullptr;
}

// A new, empty file named `name`, in place of one of that name.
File *newFile(std::string_view name) {
    if (File *old = findFile(name)) old->named = false;
    auto unused = std::find_if(fileSystem.files.begin(), fileSystem.files.end(),
                               [](const auto &file) { return file->unused(); });
    File *file = unused != fileSystem.files.end() ? unused->get()
                                                  : fileSystem.files.emplace_back(std::make_unique<File>()).get();
    file->name.assign(name);
    file->bytes.clear();
    file->serial = fileSystem.nextSerial++;
    file->named = true;
    return file;
}

ssize_t readStream(void *cookie, char *buffer, std::size_t size) {
    Stream &stream = *static_cast<Stream *>(cookie);
    const std::string &bytes = stream.file->bytes;
    if (stream.position >= bytes.size()) return 0;
    const std::size_t count = std::min(size, bytes.size() - stream.position);
    std::memcpy(buffer, bytes.data() + stream.position, count);
    stream.position += count;
    return static_cast<ssize_t>(count);
}

// A file may grow to this size; a write beyond it fails as on a full disk.
constexpr std::size_t fileSizeLimit = 16 << 20;

ssize_t writeStream(void *cookie, const char *buffer, std::size_t size) {
    Stream &stream = *static_cast<Stream *>(cookie);
    std::string &bytes = stream.file->bytes;
    if (stream.position + size > fileSizeLimit) {
        errno = ENOSPC;
        return -1;
    }
    if (fileSystem.cancel != nullptr && size > fileSystem.budget) {
        // The run is stopped and its outputs thrown away: what it still
        // writes, a whole stream buffer at the close, is not kept.
        fileSystem.cancel->store(true);
        fileSystem.budget = 0;
        stream.position += size;
        return static_cast<ssize_t>(size);
    }
    if (fileSystem.cancel != nullptr) fileSystem.budget -= size;
    if (stream.position == bytes.size()) {
        bytes.append(buffer, size);
    } else {
        if (bytes.size() < stream.position + size) bytes.resize(stream.position + size);
        std::memcpy(bytes.data() + stream.position, buffer, size);
    }
    stream.position += size;
    return static_cast<ssize_t>(size);
}

int seekStream(void *cookie, off64_t *offset, int whence) {
    Stream &stream = *static_cast<Stream *>(cookie);
    const off64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? static_cast<off64_t>(stream.position)
                                              : static_cast<off64_t>(stream.file->bytes.size());
    const off64_t target = base + *offset;
    if (target < 0) {
        errno = EINVAL;
        return -1;
    }
    stream.position = static_cast<std::size_t>(target);
    *offset = target;
    return 0;
}

int closeStream(void *cookie) {
    Stream &stream = *static_cast<Stream *>(cookie);
    --stream.file->streams;
    stream.file = nullptr;
    stream.handle = nullptr;
    return 0;
}

// A stream over `file` from `position`, the first closed one used again.
Stream *claimStream(File *file, std::size_t position) {
    auto closed = std::find_if(fileSystem.streams.begin(), fileSystem.streams.end(),
                               [](const auto &stream) { return stream->file == nullptr; });
    Stream *stream = closed != fileSystem.streams.end()
                         ? closed->get()
                         : fileSystem.streams.emplace_back(std::make_unique<Stream>()).get();
    stream->file = file;
    stream->position = position;
    stream->handle = nullptr;
    ++file->streams;
    return stream;
}

std::FILE *openStream(File *file, const char *mode, std::size_t position) {
    Stream *stream = claimStream(file, position);
    std::FILE *handle = fopencookie(stream, mode, {readStream, writeStream, seekStream, closeStream});
    if (handle == nullptr) {
        closeStream(stream);
        return nullptr;
    }
    std::setvbuf(handle, stream->buffer, _IOFBF, sizeof stream->buffer);
    stream->handle = handle;
    return handle;
}

// An output file over a new stream of `file`: its handle is the stream's number.
platform::OutputFile openOutput(File *file) {
    Stream *stream = claimStream(file, file->bytes.size());
    for (std::size_t number = 0;; ++number)
        if (fileSystem.streams[number].get() == stream) return platform::OutputFile(static_cast<std::intptr_t>(number));
}

Stream &outputStream(std::intptr_t handle) { return *fileSystem.streams[static_cast<std::size_t>(handle)]; }

}  // namespace

namespace memoryFiles {

void store(std::string_view name, std::string_view bytes) { newFile(name)->bytes.assign(bytes); }

std::vector<FileCopy> takeAllBut(std::string_view kept) {
    std::vector<FileCopy> taken;
    taken.reserve(fileSystem.files.size());
    for (const auto &file : fileSystem.files) {
        if (!file->named) continue;
        file->named = false;
        // A copy: the file keeps its memory for the next run's writes.
        if (file->name != kept) taken.push_back({file->name, file->bytes});
    }
    return taken;
}

void removeAll() {
    for (const auto &file : fileSystem.files) file->named = false;
}

void limitWrites(std::size_t budget, std::atomic<bool> *cancel) {
    fileSystem.budget = budget;
    fileSystem.cancel = cancel;
}

int openStreams() {
    return static_cast<int>(std::count_if(fileSystem.streams.begin(), fileSystem.streams.end(),
                                          [](const auto &stream) { return stream->file != nullptr; }));
}

}  // namespace memoryFiles

namespace platform {

std::FILE *openFile(const std::string &name, const char *mode) {
    File *file = findFile(name);
    if (mode[0] == 'r') {
        if (file == nullptr) {
            errno = ENOENT;
            return nullptr;
        }
        return openStream(file, mode, 0);
    }
    // Writing keeps the file's identity and drops its bytes, as "w" does;
    // appending starts at its end.
    if (file == nullptr) file = newFile(name);
    if (mode[0] == 'w') file->bytes.clear();
    return openStream(file, mode, file->bytes.size());
}

// Names in memory have no drives.
std::size_t drivePrefixLength(const std::string &) { return 0; }

bool isDeviceOrPipe(const std::string &) { return false; }

std::optional<std::string> followLinks(const std::string &name) { return name; }

bool replaceFile(const std::string &from, const std::string &to) {
    File *file = findFile(from);
    if (file == nullptr) return false;
    if (File *old = findFile(to); old != nullptr && old != file) old->named = false;
    file->name.assign(to);
    return true;
}

bool removeFile(const std::string &name) {
    if (File *file = findFile(name)) file->named = false;
    return true;
}

std::optional<FileIdentity> identify(std::FILE *stream) {
    const auto found = std::find_if(fileSystem.streams.begin(), fileSystem.streams.end(),
                                    [&](const auto &open) { return open->file != nullptr && open->handle == stream; });
    if (found == fileSystem.streams.end()) return std::nullopt;
    return FileIdentity{1, (*found)->file->serial};
}

// The input is a file in memory, whole and unchangeable while the run reads it:
// it is handed over as a mapped file is.
std::optional<InputFile> openInputFile(const std::string &name) {
    File *file = findFile(name);
    std::FILE *stream = openFile(name, "rb");
    if (stream == nullptr) return std::nullopt;
    return InputFile(stream, true, file->bytes.size(), {}, reinterpret_cast<const std::uint8_t *>(file->bytes.data()));
}

void InputFile::close() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    view_ = nullptr;
}

bool InputFile::settle(std::size_t, std::size_t) { return true; }

InputFile::Read InputFile::read(std::uint8_t *to, std::size_t count, int) {
    const std::size_t got = std::fread(to, 1, count, stream_);
    if (got > 0) return {got, Outcome::bytes};
    return {0, std::ferror(stream_) ? Outcome::failed : Outcome::ended};
}

bool InputFile::unchanged() const { return true; }

void mapInputsShared() {}

bool isSameFile(const FileIdentity &identity, const std::string &name) {
    const File *file = findFile(name);
    return file != nullptr && identity.file == file->serial;
}

WriteOutcome OutputFile::write(const std::uint8_t *bytes, std::size_t count) {
    const ssize_t written = writeStream(&outputStream(handle), reinterpret_cast<const char *>(bytes), count);
    return {written < 0 ? 0 : static_cast<std::size_t>(written), false};
}

void OutputFile::startWriteback(std::uint64_t, std::uint64_t) {}

bool OutputFile::syncToDisk() { return true; }

bool OutputFile::close() {
    if (!isOpen()) return true;
    closeStream(&outputStream(std::exchange(handle, closedHandle)));
    return true;
}

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    const std::size_t slash = finalName.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = finalName.substr(0, baseStart) + "." + finalName.substr(baseStart) + "." +
                       std::to_string(fileSystem.nextTemporary++);
    OutputFile file = openOutput(newFile(name));
    return TemporaryFile{std::move(file), std::move(name)};
}

OutputFile openInPlace(const std::string &name) {
    File *file = findFile(name);
    if (file == nullptr) file = newFile(name);
    file->bytes.clear();
    return openOutput(file);
}

bool syncDirectoryOf(const std::string &) { return true; }

}  // namespace platform
