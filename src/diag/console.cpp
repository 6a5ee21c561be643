#include "diag/console.h"

#include <cstdio>

#include "core/conversion.h"
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

void showBanner(Conversion &conv) {
    conv.settings.set(flag::bannerShown);
    if (conv.settings.has(flag::quiet)) return;
    for (const char *piece : bannerPieces) std::fputs(piece, conv.console);
}

void showShortBanner(Conversion &conv) {
    for (const char *piece : shortBannerPieces) std::fputs(piece, conv.console);
}

namespace {

bool slowMode(Conversion &conv) { return conv.settings.has(flag::binaryOutput) || conv.settings.readingPhase != 0; }

// Counts `events` progress events, printing a character at every 100th.
void countEvents(Conversion &conv, std::uint64_t events) {
    while (events > 0) {
        const std::uint32_t toNext = 100 - conv.settings.progressTicks % 100;
        if (events < toNext) {
            conv.settings.progressTicks += static_cast<std::uint32_t>(events);
            return;
        }
        conv.settings.progressTicks += toNext;
        events -= toNext;
        std::fputc(conv.settings.progressTicks % 500 == 0 ? '*' : '-', conv.console);
        std::fflush(conv.console);
    }
}

}  // namespace

void tickProgress(Conversion &conv) {
    checkInterrupt(conv.cancel);
    if (conv.settings.has(flag::quiet)) return;
    if (slowMode(conv)) {
        if (++conv.settings.progressSkip < slowModeCalls) return;
        conv.settings.progressSkip = 0;
    }
    countEvents(conv, 1);
}

void tickProgressTimes(Conversion &conv, std::uint32_t calls) {
    checkInterrupt(conv.cancel);
    if (conv.settings.has(flag::quiet) || calls == 0) return;
    std::uint64_t events = calls;
    if (slowMode(conv)) {
        const std::uint64_t counted = std::uint64_t{static_cast<std::uint32_t>(conv.settings.progressSkip)} + calls;
        events = counted / slowModeCalls;
        conv.settings.progressSkip = static_cast<std::int32_t>(counted % slowModeCalls);
    }
    countEvents(conv, events);
}
