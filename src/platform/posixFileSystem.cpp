// The file system of POSIX systems.
#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileSystem.h"

namespace platform {

std::size_t drivePrefixLength(const std::string &) { return 0; }

std::FILE *openFile(const std::string &name, const char *mode) { return std::fopen(name.c_str(), mode); }

bool isDeviceOrPipe(const std::string &name) {
    struct stat info {};
    return stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::optional<std::string> followLinks(const std::string &name) {
    std::string path = name;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::error_code error;
        std::string target = std::filesystem::read_symlink(path, error).string();
        if (error) return std::nullopt;
        // A relative target is taken from the link's own directory.
        if (target.empty() || target[0] != '/') target = path.substr(0, path.rfind('/') + 1) + target;
        path = target;
    }
    return std::nullopt;
}

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    // Only '/' separates directories here.
    const std::size_t slash = finalName.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string base = finalName.substr(baseStart);
    std::string temporary = finalName.substr(0, baseStart);
    // Hidden, and named after the output while that fits in a name.
    constexpr std::size_t maxBaseLength = 255;
    temporary += base.size() + 8 <= maxBaseLength ? "." + base + ".XXXXXX" : ".romcast.XXXXXX";

    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) return std::nullopt;
    // mkstemp makes the file private; an image gets the permissions that
    // creating it under its own name would have given.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    std::FILE *stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        unlink(temporary.c_str());
        return std::nullopt;
    }
    return TemporaryFile{stream, temporary};
}

bool flushToDisk(std::FILE *stream) { return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0; }

bool replaceFile(const std::string &from, const std::string &to) { return std::rename(from.c_str(), to.c_str()) == 0; }

// unlink and not remove: a directory of that name is never ours to delete.
bool removeFile(const std::string &name) { return unlink(name.c_str()) == 0 || errno == ENOENT; }

std::optional<FileIdentity> identify(std::FILE *stream) {
    struct stat info {};
    if (fstat(fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool isSameFile(const FileIdentity &identity, const std::string &name) {
    struct stat named {};
    if (stat(name.c_str(), &named) != 0) return false;
    return identity.device == static_cast<std::uint64_t>(named.st_dev) &&
           identity.file == static_cast<std::uint64_t>(named.st_ino);
}

}  // namespace platform
