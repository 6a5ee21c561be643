// Output files on POSIX systems: descriptors and plain system calls, so that
// every write's result is seen.
#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/outputFile.h"
#include "platform/temporaryName.h"

namespace platform {

namespace {

int descriptorOf(std::intptr_t handle) { return static_cast<int>(handle); }

// Random bits for the temporary's name; the clock and the process stand in
// where the system has none to give. Exclusive creation, not the name, keeps
// two runs apart.
std::uint64_t randomSeed() {
    std::uint64_t seed = 0;
    if (getentropy(&seed, sizeof seed) == 0) return seed;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
           (static_cast<std::uint64_t>(getpid()) << 48) ^ reinterpret_cast<std::uintptr_t>(&seed);
}

}  // namespace

WriteOutcome OutputFile::write(const std::uint8_t *bytes, std::size_t count) {
    const ssize_t written = ::write(descriptorOf(handle), bytes, count);
    if (written >= 0) return {static_cast<std::size_t>(written), false};
    return {0, errno == EINTR};
}

void OutputFile::startWriteback([[maybe_unused]] std::uint64_t offset, [[maybe_unused]] std::uint64_t count) {
#if defined(__linux__)
    // Only a hint: a failure of the disk shows at the sync.
    sync_file_range(descriptorOf(handle), static_cast<off_t>(offset), static_cast<off_t>(count), SYNC_FILE_RANGE_WRITE);
#endif
}

bool OutputFile::syncToDisk() { return fsync(descriptorOf(handle)) == 0; }

bool OutputFile::close() {
    if (!isOpen()) return true;
    const int descriptor = descriptorOf(std::exchange(handle, closedHandle));
    // After EINTR the descriptor is gone all the same; an output that must
    // reach the disk was synced before.
    return ::close(descriptor) == 0 || errno == EINTR;
}

std::optional<TemporaryFile> createTemporaryBeside(const std::string &finalName) {
    // A file already there is replaced only where opening it for writing, as a
    // plain create does, would have been allowed; it keeps its permissions.
    std::optional<mode_t> kept;
    struct stat existing {};
    if (stat(finalName.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode) || faccessat(AT_FDCWD, finalName.c_str(), W_OK, AT_EACCESS) != 0)
            return std::nullopt;
        kept = existing.st_mode & 0777;
    } else if (errno != ENOENT) {
        return std::nullopt;
    }

    // Only '/' separates directories here.
    const std::size_t slash = finalName.rfind('/');
    const std::string prefix = temporaryPrefix(finalName, slash == std::string::npos ? 0 : slash + 1);
    std::uint64_t state = randomSeed();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + randomLetters(state);
        // The system applies the umask to a new file's mode; a replacement starts
        // from the old file's, which the umask can only narrow, then gets it whole.
        const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kept.value_or(0666));
        if (descriptor >= 0) {
            if (kept) fchmod(descriptor, *kept);
            return TemporaryFile{OutputFile(descriptor), std::move(name)};
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

OutputFile openInPlace(const std::string &name) {
    // Not a controlling terminal, should the output be one.
    return OutputFile(open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666));
}

bool syncDirectoryOf(const std::string &fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : fileName.substr(0, slash);
    const int descriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return false;
    // Some file systems cannot sync a directory (EINVAL): their renames are as
    // durable as they get.
    const bool synced = fsync(descriptor) == 0 || errno == EINVAL;
    ::close(descriptor);
    return synced;
}

}  // namespace platform
