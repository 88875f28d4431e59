#include "imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumivox {

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
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click && isEnabled()) {
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
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click && isEnabled()) {
        emit clicked();
    }
}

}  // namespace lumivox
