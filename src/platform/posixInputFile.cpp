// The input file on POSIX systems. Nothing here stops another program from
// cutting the file short, and a page of a shared mapping past its new end
// would end the process with SIGBUS: the module is read, or on Linux mapped
// privately and its pages copied in by the system (MADV_POPULATE_WRITE),
// which reports a page past the end as an error instead of a signal.
#include "platform/inputFile.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

InputFile::Stamp modifiedAt(const struct stat &status) {
    return {static_cast<std::int64_t>(status.st_mtim.tv_sec), static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

}  // namespace

void InputFile::close() {
    if (private_ != nullptr) munmap(private_, static_cast<std::size_t>(size_));
    private_ = nullptr;
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
}

bool InputFile::settle(std::size_t from, std::size_t to) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t start = from / page * page;
    return to <= start || madvise(private_ + start, to - start, MADV_POPULATE_WRITE) == 0;
#else
    (void)from;
    (void)to;
    return false;
#endif
}

InputFile::Read InputFile::read(std::uint8_t *to, std::size_t count, int waitMilliseconds) {
    const int descriptor = fileno(stream_);
    for (;;) {
        // A pipe or a device is asked first whether it has anything: the wait
        // is ours to bound, whatever a signal handler's flags say of restarts.
        if (!regular_) {
            pollfd ready{descriptor, POLLIN, 0};
            const int polled = poll(&ready, 1, waitMilliseconds);
            if (polled == 0 || (polled < 0 && errno == EINTR)) return {0, Outcome::waiting};
            if (polled < 0) return {0, Outcome::failed};
        }
        const ssize_t got = ::read(descriptor, to, count);
        if (got > 0) return {static_cast<std::size_t>(got), Outcome::bytes};
        if (got == 0) return {0, Outcome::ended};
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, Outcome::waiting};
        if (errno != EINTR) return {0, Outcome::failed};
    }
}

bool InputFile::unchanged() const {
    if (!regular_) return true;
    struct stat now {};
    return fstat(fileno(stream_), &now) == 0 && static_cast<std::uint64_t>(now.st_size) == size_ &&
           modifiedAt(now) == modified_;
}

std::optional<InputFile> openInputFile(const std::string &name) {
    // Without O_NONBLOCK, opening a pipe waits for a writer, and no interrupt
    // ends that wait: the handler's restart goes back into it.
    const int descriptor = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    std::FILE *stream = fstat(descriptor, &status) == 0 ? fdopen(descriptor, "rb") : nullptr;
    if (stream == nullptr) {
        ::close(descriptor);
        return std::nullopt;
    }
    const bool regular = S_ISREG(status.st_mode);
    InputFile file(stream, regular, regular ? static_cast<std::uint64_t>(status.st_size) : 0, modifiedAt(status));
#ifdef MADV_POPULATE_WRITE
    const auto size = static_cast<std::size_t>(file.size_);
    if (regular && size > 0 && file.size_ <= std::uint64_t{1} << 32) {
        void *view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_NORESERVE, descriptor, 0);
        if (view != MAP_FAILED) {
            file.private_ = static_cast<std::uint8_t *>(view);
            // A system too old for the copying (EINVAL) has the file read instead.
            if (!file.settle(0, 1) && errno == EINVAL) {
                munmap(view, size);
                file.private_ = nullptr;
            }
        }
    }
#endif
    return file;
}

}  // namespace platform
