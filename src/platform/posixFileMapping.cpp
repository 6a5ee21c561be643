// Files mapped into memory on POSIX systems. Unlike Windows, nothing stops
// another program from cutting the file short while it is mapped; the pages
// past its new end then end the process (SIGBUS). That is a module being
// rewritten during its conversion, which no reading could have made whole.
#include "platform/fileMapping.h"

#include <sys/mman.h>
#include <sys/stat.h>

namespace platform {

void MappedFile::release() {
    if (bytes_ != nullptr) munmap(const_cast<std::uint8_t *>(bytes_), size_);
    bytes_ = nullptr;
    size_ = 0;
}

std::optional<MappedFile> mapFile(std::FILE *stream) {
    struct stat status {};
    const int fd = fileno(stream);
    if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return std::nullopt;
    const auto size = static_cast<std::size_t>(status.st_size);
    void *at = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (at == MAP_FAILED) return std::nullopt;
    return MappedFile(static_cast<const std::uint8_t *>(at), size);
}

}  // namespace platform
