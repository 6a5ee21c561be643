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
