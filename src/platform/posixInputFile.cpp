// The input file on POSIX systems. Nothing here stops another program from
// cutting the file short, and a page of a mapping past its new end ends the
// process with SIGBUS. A program that takes that signal (mapInputsShared) has
// the file mapped as it is, which costs nothing until a page is read; anyone
// else has it read, or on Linux mapped privately and its pages copied in by
// the system (MADV_POPULATE_WRITE), which reports a page past the end as an
// error instead of a signal.
#include "platform/inputFile.h"

#include <atomic>
#include <iterator>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A mapping the SIGBUS handler answers for: its pages, and whether one of them
// was taken away. The handler reaches nothing but these lock-free objects.
struct Guard {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};
// What the handler needs, the one state the process keeps for mapped inputs:
// a signal handler can reach nothing else.
struct BusGuard {
    Guard guards[4];  // one run's input, with room for a few runs at once
    std::atomic<bool> mapShared{false};
    std::uintptr_t pageSize = 4096;
    struct sigaction previousAction {};
};
BusGuard busGuard;

extern "C" void onBusError(int, siginfo_t *info, void *) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guard &guard : busGuard.guards) {
        const std::uintptr_t begin = guard.begin.load(), end = guard.end.load();
        if (at < begin || at >= end) continue;
        // Zeros from the lost page on, where the reading goes on until it
        // asks whether the file is unchanged. mmap is a plain system call here,
        // safe in a handler.
        const std::uintptr_t page = at / busGuard.pageSize * busGuard.pageSize;
        if (mmap(reinterpret_cast<void *>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                 0) == MAP_FAILED)
            break;
        guard.cut.store(true);
        return;
    }
    // Not a page of an input: the fault, met again on return, does what it did before.
    sigaction(SIGBUS, &busGuard.previousAction, nullptr);
}

// A guard for the mapping of `size` bytes at `view`; -1 when all are taken.
int guardMapping(const void *view, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(view);
    for (int slot = 0; slot < static_cast<int>(std::size(busGuard.guards)); ++slot) {
        std::uintptr_t free = 0;
        if (!busGuard.guards[slot].begin.compare_exchange_strong(free, begin)) continue;
        busGuard.guards[slot].cut.store(false);
        busGuard.guards[slot].end.store(begin + (size + busGuard.pageSize - 1) / busGuard.pageSize * busGuard.pageSize);
        return slot;
    }
    return -1;
}

InputFile::Stamp modifiedAt(const struct stat &status) {
    return {static_cast<std::int64_t>(status.st_mtim.tv_sec), static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

}  // namespace

void mapInputsShared() {
    if (busGuard.mapShared.exchange(true)) return;
    busGuard.pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &busGuard.previousAction);
}

void InputFile::close() {
    if (guard_ >= 0) {
        // The guard goes first: its pages may be another mapping's next.
        busGuard.guards[guard_].end.store(0);
        busGuard.guards[guard_].begin.store(0);
        munmap(const_cast<std::uint8_t *>(view_), static_cast<std::size_t>(size_));
        view_ = nullptr;
        guard_ = -1;
    }
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
    if (guard_ >= 0 && busGuard.guards[guard_].cut.load()) return false;
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
    const auto size = static_cast<std::size_t>(file.size_);
    if (busGuard.mapShared.load() && regular && size > 0 && file.size_ <= std::uint64_t{1} << 32) {
        void *view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (view != MAP_FAILED) {
            file.guard_ = guardMapping(view, size);
            if (file.guard_ >= 0)
                file.view_ = static_cast<const std::uint8_t *>(view);
            else
                munmap(view, size);
        }
    }
#ifdef MADV_POPULATE_WRITE
    if (file.view_ == nullptr && regular && size > 0 && file.size_ <= std::uint64_t{1} << 32) {
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
