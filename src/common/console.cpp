#include "common/console.h"

#include <cstdio>

#include "common/runError.h"

namespace {

const char *const bannerPieces[] = {"Object Image Converter (", "romcast", ") for ",
                                    "TQ8/Lite,TQ40/50 Series ", "Version ", programVersion,
                                    "\n", "\n"};
const char *const shortBannerPieces[] = {"   Object Image Converter (", "romcast", ") for ",
                                         "TQ8/Lite,TQ40/50 Series ", "Version ", programVersion,
                                         "\n"};

// Away from a terminal the characters go out in groups: the first at once, so
// that a watcher sees the run has started, then every 64th.
constexpr std::uint32_t marksPerFlush = 64;

}  // namespace

void Console::showBanner() {
    bannerShown_ = true;
    if (quiet_ || stream_ == nullptr) return;
    for (const char *piece : bannerPieces) std::fputs(piece, stream_);
}

void Console::showShortBanner() {
    if (stream_ != nullptr)
        for (const char *piece : shortBannerPieces) std::fputs(piece, stream_);
    bannerShown_ = true;
}

void Console::warn(int code, const char *argument) { warnLine(code, warningLine(code, argument)); }

void Console::warnLine(int code, std::string_view line) {
    if (hooks_.warning) hooks_.warning(code, line.substr(0, line.size() - 1));
    write(line);
}

void Console::write(std::string_view text) {
    if (stream_ != nullptr) std::fwrite(text.data(), 1, text.size(), stream_);
}

void Console::mark(char c) {
    if (hooks_.progress) hooks_.progress(c);
    if (stream_ == nullptr) return;
    std::fputc(c, stream_);
    if (flushEachMark_ || marks_++ % marksPerFlush == 0) std::fflush(stream_);
}

void Console::flush() {
    if (stream_ != nullptr) std::fflush(stream_);
}

void Progress::count(std::uint64_t events) {
    while (events > 0) {
        const std::uint32_t toNext = 100 - ticks_ % 100;
        if (events < toNext) {
            ticks_ += static_cast<std::uint32_t>(events);
            return;
        }
        ticks_ += toNext;
        events -= toNext;
        console_.mark(ticks_ % 500 == 0 ? '*' : '-');
    }
}

void Progress::tickTimes(std::uint32_t calls) {
    checkInterrupt(cancel_);
    if (console_.quiet() || calls == 0) return;
    std::uint64_t events = calls;
    if (slow()) {
        const std::uint64_t counted = std::uint64_t{skipped_} + calls;
        events = counted / slowModeCalls;
        skipped_ = static_cast<std::uint32_t>(counted % slowModeCalls);
    }
    count(events);
}
