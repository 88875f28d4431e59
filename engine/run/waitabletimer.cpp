#include "engine/run/waitabletimer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace lumivox {

void clsWaitableTimer::Wait(int MilliSeconds) {
    // Nested waits (a handler that runs a command from inside this one) restore the outer state.
    const bool outer = waiting_;
    waiting_ = true;
    if (MilliSeconds <= 0) {
        QCoreApplication::processEvents();
    } else {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        // A coarse timer may fire up to 5 % early; the wait is a lower bound.
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QEventLoop* const outerLoop = loop_;
        loop_ = &loop;
        timer.start(MilliSeconds);
        loop.exec();
        loop_ = outerLoop;
    }
    waiting_ = outer;
}

void clsWaitableTimer::interrupt() {
    if (loop_) {
        loop_->quit();
    }
}

}  // namespace lumivox
