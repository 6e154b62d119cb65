#include "core/wait.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

TEST(WaitSeconds, WaitsAtLeastTheTimeAndPumpsMeanwhile) {
    for (double wait : {0.0, 0.05, 0.5, 3.0}) {
        ManualTicker ticker;
        ticker.step = 0.01;
        ticker.now = 1000;
        WaitSeconds(wait, ticker);
        EXPECT_GE(ticker.now - 1000, wait);
        EXPECT_LT(ticker.now - 1000, wait + 0.011);
    }
}

TEST(WaitSeconds, RealTickerWaitsOnAMonotonicClock) {
    EventLoopTicker ticker;
    const double start = ticker.seconds();
    WaitSeconds(0.05, ticker);
    EXPECT_GE(ticker.seconds() - start, 0.05);
}

} // namespace
