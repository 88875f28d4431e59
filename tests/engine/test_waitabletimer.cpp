#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/run/waitabletimer.h"

using lumivox::clsWaitableTimer;

TEST(WaitableTimer, WaitsAtLeastTheIntervalAndServesEventsMeanwhile) {
    clsWaitableTimer timer;
    bool queuedCallWhileWaiting = false;
    bool timerWhileWaiting = false;
    QMetaObject::invokeMethod(
        qApp, [&] { queuedCallWhileWaiting = timer.isWaiting(); }, Qt::QueuedConnection);
    QTimer::singleShot(10, [&] { timerWhileWaiting = timer.isWaiting(); });

    QElapsedTimer clock;
    clock.start();
    timer.Wait(50);
    // Events arriving early do not end the wait early.
    EXPECT_GE(clock.elapsed(), 49);
    EXPECT_TRUE(queuedCallWhileWaiting);
    EXPECT_TRUE(timerWhileWaiting);
    EXPECT_FALSE(timer.isWaiting());
}

TEST(WaitableTimer, ZeroOrLessServesPendingEventsOnce) {
    clsWaitableTimer timer;
    for (const int ms : {0, -5}) {
        int calls = 0;
        QMetaObject::invokeMethod(
            qApp, [&] { ++calls; }, Qt::QueuedConnection);
        timer.Wait(ms);
        EXPECT_EQ(calls, 1) << ms;
        EXPECT_FALSE(timer.isWaiting());
    }
}

TEST(WaitableTimer, NestedWaitKeepsTheOuterWaitGoing) {
    clsWaitableTimer timer;
    bool stillWaitingAfterInner = false;
    QTimer::singleShot(5, [&] {
        timer.Wait(20);
        stillWaitingAfterInner = timer.isWaiting();
    });
    QElapsedTimer clock;
    clock.start();
    timer.Wait(60);
    EXPECT_TRUE(stillWaitingAfterInner);
    EXPECT_FALSE(timer.isWaiting());
    EXPECT_GE(clock.elapsed(), 59);
}

TEST(WaitableTimer, InterruptEndsOnlyTheWaitInProgress) {
    clsWaitableTimer timer;
    timer.interrupt();  // not waiting: no effect on the next wait
    QElapsedTimer clock;
    clock.start();
    timer.Wait(30);
    EXPECT_GE(clock.elapsed(), 29);

    bool longTimerFired = false;
    QTimer longTimer;
    longTimer.setSingleShot(true);
    QObject::connect(&longTimer, &QTimer::timeout, [&] { longTimerFired = true; });
    longTimer.start(60000);
    QTimer::singleShot(5, [&] { timer.interrupt(); });
    timer.Wait(60000);
    EXPECT_FALSE(longTimerFired) << "the wait ended before its interval";
    EXPECT_FALSE(timer.isWaiting());
}
