#include "widgets/skinnedwindow.h"

#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "widgets/imagebutton.h"
#include "widgets/skin.h"

namespace lumivox {

SkinnedWindow::SkinnedWindow(QWidget* window, QWidget* background)
    : QObject(window), window_(window), background_(background) {
    background_->setMouseTracking(true);
    background_->installEventFilter(this);
}

void SkinnedWindow::add(ImageButton* button) {
    resets_.emplace_back([b = QPointer<ImageButton>(button)] {
        if (b) {
            b->setHighlighted(false);
        }
    });
}

void SkinnedWindow::add(LinkLabel* label) {
    resets_.emplace_back([l = QPointer<LinkLabel>(label)] {
        if (l) {
            l->setHighlighted(false);
        }
    });
}

void SkinnedWindow::resetHighlights() {
    for (const auto& reset : resets_) {
        reset();
    }
}

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == background_ && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        // The system's move loop follows the pointer until the button is released.
        if ((move->buttons() & Qt::LeftButton) && window_->windowHandle() != nullptr) {
            window_->windowHandle()->startSystemMove();
        }
        resetHighlights();
    }
    return QObject::eventFilter(watched, event);
}

DialogImageButtons addDialogImageButtons(QWidget* dialog, const QString& actionName, int left,
                                         int top) {
    DialogImageButtons buttons{new ImageButton(actionName, dialog),
                               new ImageButton(QStringLiteral("imgBack"), dialog),
                               new ImageButton(QStringLiteral("imgExit"), dialog)};
    buttons.action->setGeometry(left, top, 60, 22);
    buttons.back->setGeometry(left, top + 30, 60, 22);
    buttons.exit->setGeometry(left, top + 60, 15, 15);
    buttons.exit->setHighlightPicture(resourcePicture(QStringLiteral("light_exit.svg"), 14, 13));
    auto* skinned = new SkinnedWindow(dialog, dialog);
    skinned->add(buttons.exit);
    skinned->add(buttons.back);
    skinned->add(buttons.action);
    return buttons;
}

}  // namespace lumivox
