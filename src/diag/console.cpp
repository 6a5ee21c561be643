#include "diag/console.h"

#include <cstdio>

#include "diag/interrupt.h"
#include "driver/runSettings.h"

namespace {

const char *const bannerPieces[] = {"Object Image Converter (", "romcast", ") for ",
                                    "TQ8/Lite,TQ40/50 Series ", "Version ", "1.00.00.000",
                                    "\n", "\n"};
const char *const shortBannerPieces[] = {"   Object Image Converter (", "romcast", ") for ",
                                         "TQ8/Lite,TQ40/50 Series ", "Version ", "1.00.00.000",
                                         "\n"};

constexpr int slowModeCalls = 30;

}  // namespace

void showBanner() {
    setFlag(flag::bannerShown);
    if (hasFlag(flag::quiet)) return;
    for (const char *piece : bannerPieces) std::fputs(piece, stdout);
}

void showShortBanner() {
    for (const char *piece : shortBannerPieces) std::fputs(piece, stdout);
}

namespace {

bool slowMode() { return hasFlag(flag::binaryOutput) || settings.readingPhase != 0; }

// Counts `events` progress events, printing a character at every 100th.
void countEvents(std::uint64_t events) {
    while (events > 0) {
        const std::uint32_t toNext = 100 - settings.progressTicks % 100;
        if (events < toNext) {
            settings.progressTicks += static_cast<std::uint32_t>(events);
            return;
        }
        settings.progressTicks += toNext;
        events -= toNext;
        std::putchar(settings.progressTicks % 500 == 0 ? '*' : '-');
        std::fflush(stdout);
    }
}

}  // namespace

void tickProgress() {
    checkInterrupt();
    if (hasFlag(flag::quiet)) return;
    if (slowMode()) {
        if (++settings.progressSkip < slowModeCalls) return;
        settings.progressSkip = 0;
    }
    countEvents(1);
}

void tickProgressTimes(std::uint32_t calls) {
    checkInterrupt();
    if (hasFlag(flag::quiet) || calls == 0) return;
    std::uint64_t events = calls;
    if (slowMode()) {
        const std::uint64_t counted = std::uint64_t{static_cast<std::uint32_t>(settings.progressSkip)} + calls;
        events = counted / slowModeCalls;
        settings.progressSkip = static_cast<std::int32_t>(counted % slowModeCalls);
    }
    countEvents(events);
}
