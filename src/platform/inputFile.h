// The input module's file, open for reading, one implementation per system.
// Nothing read from it can fault: the module is read or copied into memory of
// the program's own; or mapped, where the system forbids cutting a file short
// while it is mapped (Windows) or where the program has a handler take the
// fault (mapInputsShared); so a file that another program truncates meanwhile
// only gives fewer bytes, or zeros, and counts as changed. A pipe or a device is read as its bytes come, with waits
// the caller bounds, so that a run waiting for a writer still sees an interrupt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace platform {

class InputFile {
public:
    // When the file's contents last changed, as the system tells it.
    struct Stamp {
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        bool operator==(const Stamp &) const = default;
    };

    InputFile(std::FILE *stream, bool regular, std::uint64_t size, Stamp modified, const std::uint8_t *view = nullptr)
        : stream_(stream), regular_(regular), size_(size), modified_(modified), view_(view) {}
    InputFile(InputFile &&other) noexcept
        : stream_(std::exchange(other.stream_, nullptr)), regular_(other.regular_), size_(other.size_),
          modified_(other.modified_), view_(std::exchange(other.view_, nullptr)),
          private_(std::exchange(other.private_, nullptr)), guard_(std::exchange(other.guard_, -1)) {}
    InputFile &operator=(InputFile &&other) noexcept {
        std::swap(stream_, other.stream_);
        std::swap(regular_, other.regular_);
        std::swap(size_, other.size_);
        std::swap(modified_, other.modified_);
        std::swap(view_, other.view_);
        std::swap(private_, other.private_);
        std::swap(guard_, other.guard_);
        return *this;
    }
    ~InputFile() { close(); }

    // The stream it is open as (for identify() of fileSystem.h).
    std::FILE *stream() const { return stream_; }
    // A file of known size, read in order; false for a pipe or a device.
    bool regular() const { return regular_; }
    // A regular file's size when it was opened.
    std::uint64_t size() const { return size_; }
    // The whole file where it is mapped: on Windows, which holds it
    // unchangeable in size while it is open; on POSIX systems once the
    // program has called mapInputsShared. Empty where the file is read instead.
    std::span<const std::uint8_t> mappedBytes() const {
        return view_ == nullptr ? std::span<const std::uint8_t>{} : std::span(view_, static_cast<std::size_t>(size_));
    }

    // Where the system can copy a file's pages into the process's own memory
    // on request (Linux), a regular file is mapped privately: `settle` copies
    // its bytes [from, to) in, after which nothing another program does to the
    // file reaches them, and bytes not settled are never to be touched. False
    // when they cannot all be copied (the file was cut short meanwhile).
    // Copying them so costs less than reading them into fresh memory, which
    // the system first clears. Nothing where the file is read instead.
    const std::uint8_t *privateView() const { return private_; }
    bool settle(std::size_t from, std::size_t to);

    enum class Outcome { bytes, ended, waiting, failed };
    struct Read {
        std::size_t count;  // bytes placed at `to`
        Outcome outcome;
    };
    // At most `count` bytes at the current place, into `to`. A pipe or a device
    // with none to give yet waits at most `waitMilliseconds` and reports
    // `waiting`; `ended` is the end of the file, `failed` a read error.
    Read read(std::uint8_t *to, std::size_t count, int waitMilliseconds);
    // Whether a regular file still has the size and modification time it had
    // when it was opened, and no page of its mapping was taken away; always
    // true for a pipe or a device.
    bool unchanged() const;

private:
    friend std::optional<InputFile> openInputFile(const std::string &name);
    void close();

    std::FILE *stream_ = nullptr;
    bool regular_ = false;
    std::uint64_t size_ = 0;
    Stamp modified_;
    const std::uint8_t *view_ = nullptr;  // the mapped file, where it is mapped
    std::uint8_t *private_ = nullptr;     // the privately mapped file, where settle copies it in
    int guard_ = -1;                      // the fault handler's record of the mapping, where it has one
};

// From now on a regular input file is mapped as it is, its pages the system's
// own, instead of copied: a handler of SIGBUS puts zeros in place of the pages
// that a truncation takes away while the file is read, and the file counts as
// changed. The handler is the process's, so only a program calls this, once
// at its start; a library that embeds the converter leaves its host's
// handlers alone and pays for the copy. Nothing on Windows, whose mapped
// files cannot be cut short.
void mapInputsShared();

// Opens `name` for reading; nothing when it cannot be opened. Opening a pipe
// that has no writer yet does not wait for one. A directory opens like a file
// (identify() of fileSystem.h tells it).
std::optional<InputFile> openInputFile(const std::string &name);

}  // namespace platform
