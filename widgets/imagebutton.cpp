#include "widgets/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumivox {

namespace {
// A click is a left press and a left release inside the same enabled control.
bool releaseCompletesClick(bool& pressed, const QWidget& control, QMouseEvent* event) {
    const bool click = pressed && event->button() == Qt::LeftButton &&
                       control.rect().contains(event->position().toPoint());
    pressed = false;
    event->accept();
    return click && control.isEnabled();
}
}  // namespace

ImageButton::ImageButton(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
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

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
    setHighlighted(true);
    event->accept();
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (releaseCompletesClick(pressed_, *this, event)) {
        emit clicked();
    }
}

LinkLabel::LinkLabel(const QString& name, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setObjectName(name);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::setHighlighted(bool on) {
    QFont f = font();
    if (f.bold() == on) {
        return;
    }
    f.setBold(on);
    setFont(f);
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
    setHighlighted(true);
    event->accept();
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (releaseCompletesClick(pressed_, *this, event)) {
        emit clicked();
    }
}

}  // namespace lumivox
