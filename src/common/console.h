// The console of a run: the banners, warnings, progress characters and the
// newline that ends the run's line, in the order the run gives them. The text
// is the program's own; where it goes is the caller's choice (no stream: the
// text goes nowhere), and a program that converts in process may hear each
// warning and progress character as it comes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "common/cancel.h"

// The program's version, as the banners show it.
inline constexpr char programVersion[] = "1.00.00.000";

struct ConsoleHooks {
    std::function<void(int code, std::string_view line)> warning;  // the line without its newline
    std::function<void(char mark)> progress;
};

class Console {
public:
    // `flushEachMark`: a terminal shows every progress character at once; a
    // file or a pipe takes them in a few larger writes.
    Console(std::FILE *stream, bool flushEachMark, ConsoleHooks hooks = {})
        : stream_(stream), flushEachMark_(flushEachMark), hooks_(std::move(hooks)) {}
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // "-.": no banner and no progress characters.
    void setQuiet() { quiet_ = true; }
    bool quiet() const { return quiet_; }

    // The banner step, at most once: prints the banner unless quiet.
    void showBanner();
    bool bannerShown() const { return bannerShown_; }
    // The short banner of "-v", whatever quiet says; the banner step counts as done.
    void showShortBanner();

    // "Warning (romcast): " and the text of warning `code`.
    void warn(int code, const char *argument = nullptr);
    void warn(int code, const std::string &argument) { warn(code, argument.c_str()); }
    // Warning `code` whose line (with its newline) was made once and is repeated.
    void warnLine(int code, std::string_view line);
    // Text as it stands: a notice, the final newline.
    void write(std::string_view text);
    // One progress character.
    void mark(char c);
    // Everything written so far to the stream.
    void flush();

private:
    std::FILE *stream_;
    bool flushEachMark_;
    ConsoleHooks hooks_;
    bool quiet_ = false;
    bool bannerShown_ = false;
    std::uint32_t marks_ = 0;  // progress characters written
};

// The progress indicator: one character for every 100 counted events, every
// fifth of them "*". While the module is read, and for a binary image all
// along, only every 30th call counts. Every call is a safe point for an
// interrupt.
class Progress {
public:
    Progress(Console &console, const CancelFlags &cancel) : console_(console), cancel_(cancel) {}

    // A binary image counts its bytes: slow all along.
    void countBytes() { binary_ = true; }
    // Reading is over: every call counts from now on (but for a binary image).
    void readingDone() { reading_ = false; }

    void tick() {
        checkInterrupt(cancel_);
        if (console_.quiet()) return;
        if (slow()) {
            if (++skipped_ < slowModeCalls) return;
            skipped_ = 0;
        }
        count(1);
    }
    // The same as `calls` calls of tick, counted at once; one safe point.
    void tickTimes(std::uint32_t calls);

    const CancelFlags &cancel() const { return cancel_; }

private:
    static constexpr std::uint32_t slowModeCalls = 30;
    bool slow() const { return binary_ || reading_; }
    void count(std::uint64_t events);

    Console &console_;
    CancelFlags cancel_;
    bool binary_ = false;
    bool reading_ = true;
    std::uint32_t ticks_ = 0;    // counted events
    std::uint32_t skipped_ = 0;  // calls since the last counted one, in slow mode
};
