// The module's bytes in memory. From an input file they are read in order as
// the reading of the module reaches them, never further than a step ahead:
// the first byte alone, so that a file that begins with no MB record is
// refused before anything more is read, then in steps. A pipe or a device is
// read the same way, as its bytes come. A file that shrinks or changes while it
// is read is a malformed module. Nothing past the first 4 GiB is read: the
// offsets a module gives are 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "common/cancel.h"
#include "platform/inputFile.h"

// Storage for bytes that are read straight into it: growing it leaves the new
// bytes as they are instead of zeroing them first, which a module of
// megabytes would otherwise pay for once more than its reading.
template <class T>
struct UnclearedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnclearedAllocator<U>;
    };
    UnclearedAllocator() = default;
    template <class U>
    UnclearedAllocator(const UnclearedAllocator<U> &) noexcept {}
    template <class U>
    void construct(U *) noexcept {}
    template <class U, class... Args>
    void construct(U *at, Args &&...args) {
        ::new (static_cast<void *>(at)) U(std::forward<Args>(args)...);
    }
};
using ByteStorage = std::vector<std::uint8_t, UnclearedAllocator<std::uint8_t>>;

class ModuleBytes {
public:
    // The most of an input that is ever read.
    static constexpr std::uint64_t limit = std::uint64_t{1} << 32;

    ModuleBytes() = default;
    // The module of `file`, of which nothing is read yet; `step` is how far a
    // read goes beyond what is asked for at least (tests take small steps).
    explicit ModuleBytes(platform::InputFile file, std::size_t step = defaultStep);

    // A whole module already in memory.
    template <class Iterator>
    void assign(Iterator first, Iterator last) {
        file_.reset();
        retired_.clear();
        storage_.assign(first, last);
        bytes_ = storage_;
        whole_ = true;
    }
    // A whole module in memory that outlives this object, read where it stands.
    void view(std::span<const std::uint8_t> bytes) {
        file_.reset();
        retired_.clear();
        storage_.clear();
        bytes_ = bytes;
        whole_ = true;
    }

    // The bytes read so far.
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    operator std::span<const std::uint8_t>() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    // Whether the module's end has been read: no more bytes can come.
    bool whole() const { return whole_; }

    // Reads on until `end` bytes are here or the module ends; the bytes read
    // so far. Waiting for a pipe or a device, it polls `cancel` and ends the
    // run there. Raises the malformed-module error, naming `inputName`, when a
    // regular file ends before its size or changed since it was opened. The
    // bytes may move: a reader takes the span this returns, and bytes it had
    // before stay valid as long as this object.
    std::span<const std::uint8_t> readTo(std::size_t end, const char *inputName, const CancelFlags &cancel);
    // Raises the malformed-module error, naming `inputName`, when the input
    // file changed since it was opened; the run asks once it has read all it
    // reads, before any output takes its name.
    void confirmUnchanged(const char *inputName) const;

private:
    static constexpr std::size_t defaultStep = std::size_t{1} << 20;
    static constexpr int waitMilliseconds = 50;  // between looks at the cancel flag

    void makeRoom(std::size_t capacity);

    std::optional<platform::InputFile> file_;
    std::size_t step_ = defaultStep;
    std::uint64_t end_ = limit;  // where the module ends at the latest
    ByteStorage storage_;        // its size is the room; bytes_ the part read
    // Storage that a pipe's bytes outgrew, kept for the spans handed out before.
    std::vector<ByteStorage> retired_;
    std::span<const std::uint8_t> bytes_;
    bool whole_ = true;
};
