#include "shell/termination_signals.h"

#include <gtest/gtest.h>

#include <csignal>

namespace vellorin {
namespace {

void (*CurrentHandler(int signal))(int) {
    struct sigaction now = {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(TerminationSignalsTest, EachSignalArrivesOnThePipeAndTheOldHandlersComeBack) {
    const auto before = CurrentHandler(SIGHUP);
    {
        TerminationSignals signals;
        EXPECT_EQ(signals.Take(), 0);
        ASSERT_TRUE(signals.Install());
        TerminationSignals second;
        EXPECT_FALSE(second.Install());
        EXPECT_EQ(second.fd(), -1);
        EXPECT_GE(signals.fd(), 0);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            SCOPED_TRACE(signal);
            ASSERT_EQ(std::raise(signal), 0);
            EXPECT_EQ(signals.Take(), signal);
            EXPECT_EQ(signals.Take(), 0);
        }
    }
    EXPECT_EQ(CurrentHandler(SIGHUP), before);
    // Installable again once the first is gone.
    TerminationSignals again;
    EXPECT_TRUE(again.Install());
}

}  // namespace
}  // namespace vellorin
