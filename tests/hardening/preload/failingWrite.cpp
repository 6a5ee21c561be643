// Preloaded into a run (LD_PRELOAD) to make one write of an output fail part
// way, as on a disk that is full for a moment. ROMCAST_WRITE_FAULT is
// "fail:N" or "short:N": the write to a file the run opened itself (a
// descriptor above 2) that reaches past its N-th byte fails with ENOSPC, or
// writes only the bytes up to it; every write before and after succeeds.
// "sync": every write succeeds, and the sync of such a file (a plain file, not
// the directory) fails with EIO, as on a disk that fails when the bytes are at
// last written to it.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using WriteCall = ssize_t (*)(int, const void *, size_t);
using SyncCall = int (*)(int);

struct Fault {
    bool shortens = false;
    bool failsSync = false;
    long long left = -1;  // bytes before the fault; -1: none (left)
};

Fault readFault() {
    Fault fault;
    const char *text = std::getenv("ROMCAST_WRITE_FAULT");
    if (text == nullptr) return fault;
    fault.failsSync = std::strcmp(text, "sync") == 0;
    fault.shortens = std::strncmp(text, "short:", 6) == 0;
    const char *colon = std::strchr(text, ':');
    if (colon != nullptr) fault.left = std::atoll(colon + 1);
    return fault;
}

}  // namespace

extern "C" ssize_t write(int descriptor, const void *bytes, size_t count) {
    static const WriteCall next = reinterpret_cast<WriteCall>(dlsym(RTLD_NEXT, "write"));
    static Fault fault = readFault();
    if (descriptor > 2 && fault.left >= 0) {
        if (static_cast<unsigned long long>(fault.left) >= count) {
            fault.left -= static_cast<long long>(count);
        } else {
            const size_t before = static_cast<size_t>(fault.left);
            fault.left = -1;
            if (fault.shortens && before > 0) return next(descriptor, bytes, before);
            errno = ENOSPC;
            return -1;
        }
    }
    return next(descriptor, bytes, count);
}

extern "C" int fsync(int descriptor) {
    static const SyncCall next = reinterpret_cast<SyncCall>(dlsym(RTLD_NEXT, "fsync"));
    static const Fault fault = readFault();
    struct stat info {};
    if (descriptor > 2 && fault.failsSync && fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
        errno = EIO;
        return -1;
    }
    return next(descriptor);
}
