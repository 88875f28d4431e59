#pragma once

class QEventLoop;

namespace lumivox {

// A pause on the UI thread that keeps serving the event queue and sleeps in the kernel.
class clsWaitableTimer {
  public:
    // Returns when MilliSeconds have passed; events arriving meanwhile are dispatched first.
    // Wait(0) returns after one pass of event serving. Negative counts as 0.
    void Wait(int MilliSeconds);
    // True while a Wait of this object is in progress (the Windows form's TimerHandle != 0).
    bool isWaiting() const { return waiting_; }
    // Ends the wait in progress at once (the runner's child has exited: nothing is left to
    // wait for). No effect when not waiting.
    void interrupt();

  private:
    bool waiting_ = false;
    QEventLoop* loop_ = nullptr;
};

}  // namespace lumivox
