#include "widgets/messageboxes.h"

#include <QApplication>
#include <QPushButton>

namespace lumivox {

QMessageBox::Icon messageBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            return QMessageBox::NoIcon;
        case MessageIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

void installMessageBoxes() {
    setMessageHandler([](const Message& message) {
        const QString title = message.title.isEmpty() ? kProgramTitle : message.title;
        QMessageBox box(messageBoxIcon(message.icon), title, message.text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    });
    setQuestionHandler([](const Message& message) {
        QMessageBox box(QMessageBox::Question, message.title, message.text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return box.clickedButton() == yes;
    });
}

}  // namespace lumivox
