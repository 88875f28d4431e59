#pragma once

#include <QString>

#include <functional>

namespace lumivox {

enum class MessageIcon { Critical, Exclamation, Information, Question, None };

struct Message {
    QString text;
    QString title;  // empty: the program's title
    MessageIcon icon = MessageIcon::Information;
};

// Every message box of the program goes through this one seam, so tests can record and
// answer them. The window installs a handler that shows a modal QMessageBox.
using MessageHandler = std::function<void(const Message&)>;

// Installs a handler and returns the one it replaces. Without a handler, messages go to stderr.
MessageHandler setMessageHandler(MessageHandler handler);

void showMessage(const QString& text, MessageIcon icon, const QString& title = QString());

inline const QString kProgramTitle = QStringLiteral("Lumivox");

}  // namespace lumivox
