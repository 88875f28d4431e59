#include "widgets/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

#include <functional>
#include <utility>

#include "widgets/leftclick.h"

namespace lumivox {

namespace {

// The pointer rules both kinds of control share: any move over it highlights it, and a click
// (LeftClick) on an enabled control runs its handler. A disabled control sees none
// of this, as before.
class PointerClick : public QObject {
  public:
    PointerClick(QWidget* control, std::function<void()> hover, std::function<void()> click)
        : QObject(control), control_(control), hover_(std::move(hover)), click_(std::move(click)) {
        control->setMouseTracking(true);
        control->setCursor(Qt::PointingHandCursor);
        control->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != control_ || !control_->isEnabled()) {
            return false;
        }
        switch (event->type()) {
            case QEvent::MouseMove:
                hover_();
                return true;
            case QEvent::MouseButtonPress:
                leftClick_.press(static_cast<QMouseEvent*>(event));
                return true;
            case QEvent::MouseButtonRelease:
                if (leftClick_.release(static_cast<QMouseEvent*>(event), control_)) {
                    click_();
                }
                return true;
            default:
                return false;
        }
    }

  private:
    QWidget* control_;
    std::function<void()> hover_;
    std::function<void()> click_;
    LeftClick leftClick_;
};

}  // namespace

ImageButton::ImageButton(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    new PointerClick(
        this, [this] { setHighlighted(true); }, [this] { emit clicked(); });
}

void ImageButton::setHighlighted(bool on) {
    if (highlighted_ == on) {
        return;
    }
    highlighted_ = on;
    update();
}

void ImageButton::paintEvent(QPaintEvent*) {
    if (!highlighted_ || highlightPicture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.drawPixmap(0, 0, highlightPicture_);
}

LinkLabel::LinkLabel(const QString& name, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setObjectName(name);
    new PointerClick(
        this, [this] { setHighlighted(true); }, [this] { emit clicked(); });
}

void LinkLabel::setHighlighted(bool on) {
    QFont f = font();
    if (f.bold() == on) {
        return;
    }
    f.setBold(on);
    setFont(f);
}

}  // namespace lumivox
