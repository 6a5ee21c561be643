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

void tickProgress() {
    checkInterrupt();
    if (hasFlag(flag::quiet)) return;
    if (hasFlag(flag::binaryOutput) || settings.readingPhase != 0) {
        if (++settings.progressSkip < slowModeCalls) return;
        settings.progressSkip = 0;
    }
    ++settings.progressTicks;
    if (settings.progressTicks % 100 != 0) return;
    std::putchar(settings.progressTicks % 500 == 0 ? '*' : '-');
    std::fflush(stdout);
}
