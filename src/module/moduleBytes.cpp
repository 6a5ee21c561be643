#include "module/moduleBytes.h"

#include <algorithm>
#include <cstring>

#include "module/malformedModule.h"

ModuleBytes::ModuleBytes(platform::InputFile file, std::size_t step) : file_(std::move(file)), step_(step) {
    const std::span<const std::uint8_t> mapped = file_->mappedBytes();
    if (!mapped.empty()) {
        // Mapped, the file's pages are the module's: all of it is here at once.
        bytes_ = mapped.first(static_cast<std::size_t>(std::min<std::uint64_t>(mapped.size(), limit)));
        return;
    }
    if (file_->regular()) end_ = std::min(file_->size(), limit);
    whole_ = end_ == 0;
}

void ModuleBytes::makeRoom(std::size_t capacity) {
    if (capacity <= storage_.size()) return;
    // A regular file gets room for all of it once, which costs nothing until
    // it is read into; a pipe's room doubles, and the bytes move.
    std::size_t room = file_->regular() ? static_cast<std::size_t>(end_) : std::max(capacity, 2 * storage_.size());
    room = std::max(room, capacity);
    ByteStorage grown;
    grown.resize(room);
    if (!bytes_.empty()) std::memcpy(grown.data(), bytes_.data(), bytes_.size());
    if (!storage_.empty()) retired_.push_back(std::move(storage_));
    storage_ = std::move(grown);
    bytes_ = std::span<const std::uint8_t>(storage_.data(), bytes_.size());
}

std::span<const std::uint8_t> ModuleBytes::readTo(std::size_t end, const char *inputName, const CancelFlags &cancel) {
    if (whole_ || end <= bytes_.size()) return bytes_;
    const std::size_t last = static_cast<std::size_t>(end_);
    end = std::min(end, last);
    // The first byte alone; later reads a step ahead of what is asked for.
    const std::size_t target = bytes_.empty() ? 1 : std::min(std::max(end, bytes_.size() + step_), last);
    end = std::min(end, target);
    if (const std::uint8_t *view = file_->privateView()) {
        // A file that cannot be copied in as far as its size was cut short.
        if (!file_->settle(bytes_.size(), target)) rejectModule(inputName);
        bytes_ = std::span<const std::uint8_t>(view, target);
        if (!file_->unchanged()) rejectModule(inputName);
        whole_ = target == last;
        return bytes_;
    }
    makeRoom(target);
    std::size_t have = bytes_.size();
    while (have < end) {
        const platform::InputFile::Read read = file_->read(storage_.data() + have, target - have, waitMilliseconds);
        have += read.count;
        bytes_ = std::span<const std::uint8_t>(storage_.data(), have);
        if (read.outcome == platform::InputFile::Outcome::waiting) checkInterrupt(cancel);
        if (read.outcome == platform::InputFile::Outcome::ended || read.outcome == platform::InputFile::Outcome::failed) {
            // A regular file shorter than it was when opened has been cut.
            if (file_->regular() && have < last) rejectModule(inputName);
            whole_ = true;
            return bytes_;
        }
    }
    // Bytes of a file that changed while it was read may belong to either
    // version: the module is no module then.
    if (!file_->unchanged()) rejectModule(inputName);
    whole_ = have == last;
    return bytes_;
}

void ModuleBytes::confirmUnchanged(const char *inputName) const {
    if (file_ && !file_->unchanged()) rejectModule(inputName);
}
