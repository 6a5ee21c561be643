// What the program shows on the console besides messages: the banners and the
// progress characters. All of it goes to standard output.
#pragma once

#include <cstdint>

struct Conversion;

// The banner step: sets bannerShown, then prints the banner unless quiet.
void showBanner(Conversion &conv);
// The short banner of "-v" (printed whatever quiet says).
void showShortBanner(Conversion &conv);
// One progress event: every 100th counted event prints "-" ("*" every 500th);
// while reading or writing binary output only every 30th call counts.
void tickProgress(Conversion &conv);
// The same as `calls` calls of tickProgress, counted rather than made one by one;
// the interrupt is checked once.
void tickProgressTimes(Conversion &conv, std::uint32_t calls);
