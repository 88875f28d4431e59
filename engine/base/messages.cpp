#include "engine/base/messages.h"

#include <cstdio>

namespace lumivox {

namespace {
MessageHandler& handlerSlot() {
    static MessageHandler handler;
    return handler;
}
}  // namespace

MessageHandler setMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

void showMessage(const QString& text, MessageIcon icon, const QString& title) {
    Message message{text, title.isEmpty() ? kProgramTitle : title, icon};
    if (handlerSlot()) {
        handlerSlot()(message);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(message.title), qPrintable(message.text));
}

}  // namespace lumivox
