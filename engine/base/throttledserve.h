#pragma once

#include <QElapsedTimer>

#include <functional>
#include <utility>

namespace lumivox {

// Long loops on the UI thread call this after every step; it serves events at most once per
// interval, since a frame's worth of work between serves keeps the window just as responsive as
// serving after every step, and far cheaper.
class ThrottledServe {
  public:
    static constexpr qint64 kFrameMs = 16;

    explicit ThrottledServe(std::function<void()> serve, qint64 intervalMs = kFrameMs)
        : serve_(std::move(serve)), intervalMs_(intervalMs) {
        clock_.start();
    }

    void operator()() {
        if (serve_ && clock_.elapsed() >= intervalMs_) {
            serve_();
            clock_.restart();
        }
    }
    // Serves at once, whatever the interval, and counts the next one from here.
    void now() {
        if (serve_) {
            serve_();
        }
        clock_.restart();
    }

  private:
    std::function<void()> serve_;
    qint64 intervalMs_;
    QElapsedTimer clock_;
};

}  // namespace lumivox
