// A stop signal that whoever started the process ignores (nohup's SIGHUP, a
// background job's SIGINT) stays ignored; the others get the run's handler.
#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <iterator>

#include "platform/interrupt.h"

TEST(Interrupt, SignalsIgnoredAtStartStayIgnored) {
    const int stopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};
    struct sigaction saved[std::size(stopSignals)] {};
    for (std::size_t i = 0; i < std::size(stopSignals); ++i) sigaction(stopSignals[i], nullptr, &saved[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &ignore, nullptr);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGTERM, &byDefault, nullptr);

    platform::installInterruptHandlers();
    struct sigaction hup {}, term {};
    sigaction(SIGHUP, nullptr, &hup);
    sigaction(SIGTERM, nullptr, &term);
    EXPECT_EQ(hup.sa_handler, SIG_IGN);
    EXPECT_NE(term.sa_handler, SIG_DFL);

    // The test program's own signals as they were.
    for (std::size_t i = 0; i < std::size(stopSignals); ++i) sigaction(stopSignals[i], &saved[i], nullptr);
}
