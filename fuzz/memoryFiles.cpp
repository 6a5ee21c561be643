// The platform's file system for the fuzzing target, in memory: files are
// strings in a map by name, streams are stdio streams over them (fopencookie),
// so the core's own stdio calls (fread, fseek, fwrite, fclose) work unchanged.
// There are no directories, links or devices; a name is just a key.
#include "memoryFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>
#include <sys/types.h>

#include "platform/fileSystem.h"

namespace {

struct File {
    std::string bytes;
    std::uint64_t serial;  // the file's identity, which survives a rename
};

struct Stream {
    std::shared_ptr<File> file;
    std::size_t position = 0;
    std::FILE *handle = nullptr;
};

// The whole file system; the target owns it, the core sees it only through
// the platform functions.
struct FileSystem {
    std::map<std::string, std::shared_ptr<File>> files;
    std::vector<Stream *> streams;  // the open ones; a run has a few at most
    std::uint64_t nextSerial = 1;
    std::uint64_t nextTemporary = 1;
    std::size_t budget = 0;
    std::atomic<bool> *cancel = nullptr;
};
FileSystem fileSystem;

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
    Stream *stream = static_cast<Stream *>(cookie);
    std::erase(fileSystem.streams, stream);
    delete stream;
    return 0;
}

std::shared_ptr<File> newFile() {
    auto file = std::make_shared<File>();
    file->serial = fileSystem.nextSerial++;
    return file;
}

std::FILE *openStream(std::shared_ptr<File> file, const char *mode, std::size_t position) {
    auto *stream = new Stream{std::move(file), position, nullptr};
    stream->handle = fopencookie(stream, mode, {readStream, writeStream, seekStream, closeStream});
    if (stream->handle == nullptr) {
        delete stream;
        return nullptr;
    }
    fileSystem.streams.push_back(stream);
    return stream->handle;
}

}  // namespace

namespace memoryFiles {

void store(const std::string &name, std::string_view bytes) {
    std::shared_ptr<File> file = newFile();
    file->bytes.assign(bytes);
    fileSystem.files[name] = std::move(file);
}

const std::string *find(const std::string &name) {
    const auto found = fileSystem.files.find(name);
    return found == fileSystem.files.end() ? nullptr : &found->second->bytes;
}

std::vector<std::string> names() {
    std::vector<std::string> result;
    for (const auto &entry : fileSystem.files) result.push_back(entry.first);
    return result;
}

std::map<std::string, std::string> takeAll() {
    std::map<std::string, std::string> taken;
    for (auto &entry : fileSystem.files) {
        // A file that a stream still holds keeps its bytes for it.
        if (entry.second.use_count() == 1) taken.emplace(entry.first, std::move(entry.second->bytes));
        else taken.emplace(entry.first, entry.second->bytes);
    }
    fileSystem.files.clear();
    return taken;
}

void removeAll() { fileSystem.files.clear(); }

void limitWrites(std::size_t budget, std::atomic<bool> *cancel) {
    fileSystem.budget = budget;
    fileSystem.cancel = cancel;
}

int openStreams() { return static_cast<int>(fileSystem.streams.size()); }

}  // namespace memoryFiles

namespace platform {

std::FILE *openFile(const std::string &name, const char *mode) {
    auto found = fileSystem.files.find(name);
    if (mode[0] == 'r') {
        if (found == fileSystem.files.end()) {
            errno = ENOENT;
            return nullptr;
        }
        return openStream(found->second, mode, 0);
    }
    // Writing keeps the file's identity and drops its bytes, as "w" does;
    // appending starts at its end.
    if (found == fileSystem.files.end()) found = fileSystem.files.emplace(name, newFile()).first;
    if (mode[0] == 'w') found->second->bytes.clear();
    return openStream(found->second, mode, found->second->bytes.size());
}

// Names in memory have no drives.
std::size_t drivePrefixLength(const std::string &) { return 0; }

bool isDeviceOrPipe(const std::string &) { return false; }

std::optional<std::string> followLinks(const std::string &name) { return name; }

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    const std::size_t slash = finalName.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = finalName.substr(0, baseStart) + "." + finalName.substr(baseStart) + "." +
                             std::to_string(fileSystem.nextTemporary++);
    std::FILE *stream = openFile(name, "wb");
    if (stream == nullptr) return std::nullopt;
    return TemporaryFile{stream, name};
}

bool flushToDisk(std::FILE *stream) { return std::fflush(stream) == 0; }

bool replaceFile(const std::string &from, const std::string &to) {
    auto found = fileSystem.files.find(from);
    if (found == fileSystem.files.end()) return false;
    std::shared_ptr<File> file = std::move(found->second);
    fileSystem.files.erase(found);
    fileSystem.files[to] = std::move(file);
    return true;
}

bool removeFile(const std::string &name) {
    fileSystem.files.erase(name);
    return true;
}

std::optional<FileIdentity> identify(std::FILE *stream) {
    const auto found = std::find_if(fileSystem.streams.begin(), fileSystem.streams.end(),
                                    [&](const Stream *open) { return open->handle == stream; });
    if (found == fileSystem.streams.end()) return std::nullopt;
    return FileIdentity{1, (*found)->file->serial};
}

bool isSameFile(const FileIdentity &identity, const std::string &name) {
    const auto found = fileSystem.files.find(name);
    return found != fileSystem.files.end() && identity.file == found->second->serial;
}

}  // namespace platform
