// A whole file mapped into memory, read-only: the module is read from the
// system's own copy of the file instead of being copied into memory of ours,
// page by page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <utility>

namespace platform {

// The mapping; it goes when the object goes.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const std::uint8_t *bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    MappedFile(MappedFile &&other) noexcept
        : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    MappedFile &operator=(MappedFile &&other) noexcept {
        std::swap(bytes_, other.bytes_);
        std::swap(size_, other.size_);
        return *this;
    }
    ~MappedFile() { release(); }

    std::span<const std::uint8_t> bytes() const { return {bytes_, size_}; }
    bool mapped() const { return bytes_ != nullptr; }

private:
    void release();

    const std::uint8_t *bytes_ = nullptr;
    std::size_t size_ = 0;
};

// The regular, non-empty file open as `stream`, from its start; nothing for
// anything else (a pipe, a device, an empty file) or when the system refuses.
std::optional<MappedFile> mapFile(std::FILE *stream);

}  // namespace platform
