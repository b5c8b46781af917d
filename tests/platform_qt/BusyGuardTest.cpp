#include "platform/qt/EventPump.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

using platform::BusyGuard;

TEST(BusyGuard, NestsAndEndsWithTheOutermost)
{
    EXPECT_FALSE(BusyGuard::Active());
    {
        BusyGuard outer;
        EXPECT_TRUE(BusyGuard::Active());
        {
            BusyGuard inner;
            EXPECT_TRUE(BusyGuard::Active());
        }
        EXPECT_TRUE(BusyGuard::Active());
    }
    EXPECT_FALSE(BusyGuard::Active());
}

TEST(BusyGuard, PumpRunsPostedWorkThatSeesTheGuard)
{
    // Work posted to the window (a drop, a queued command) runs inside the
    // pump while the long work holds the guard, and must see it.
    bool ran = false, sawBusy = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        sawBusy = BusyGuard::Active();
    });
    {
        BusyGuard busy;
        platform::PumpEvents(true);
    }
    EXPECT_TRUE(ran);
    EXPECT_TRUE(sawBusy);
}

TEST(BusyGuard, PumpIsThrottledUnlessForced)
{
    platform::PumpEvents(true);
    int runs = 0;
    QTimer::singleShot(0, [&] { ++runs; });
    // Right after a pump a second one does nothing.
    platform::PumpEvents();
    EXPECT_EQ(runs, 0);
    platform::PumpEvents(true);
    EXPECT_EQ(runs, 1);
}
