#pragma once

#include <QMouseEvent>
#include <QWidget>

namespace lumivox {

// The program's one click rule: a left press and a left release inside the same control.
class LeftClick {
  public:
    void press(const QMouseEvent* event) { pressed_ = event->button() == Qt::LeftButton; }
    // True when this release completes a click on `control`.
    bool release(const QMouseEvent* event, const QWidget* control) {
        const bool click = pressed_ && event->button() == Qt::LeftButton &&
                           control->rect().contains(event->position().toPoint());
        pressed_ = false;
        return click;
    }

  private:
    bool pressed_ = false;
};

}  // namespace lumivox
