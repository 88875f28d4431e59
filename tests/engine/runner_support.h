#pragma once
// Shared by the runner tests: the helper tool and a recorder of a runner's events.

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include "engine/base/messages.h"
#include "engine/run/dosoutputs.h"

namespace lumivox::testing {

inline QString fakeCmd() {
    return QStringLiteral(LUMIVOX_FAKECMD);
}

// The name the helper runs under in the process list (at most 15 characters).
inline QString fakeCmdName() {
    return QStringLiteral("lumivox_fakecmd");
}

struct RunRecorder {
    QStringList chunks;
    QList<qint64> chunkTimes;  // ms since the recorder was made
    int overCount = 0;
    QElapsedTimer clock;

    explicit RunRecorder(DOSOutputs& runner) {
        clock.start();
        QObject::connect(&runner, &DOSOutputs::ReceiveOutputs, [this](QString& text) {
            chunks << text;
            chunkTimes << clock.elapsed();
        });
        QObject::connect(&runner, &DOSOutputs::CommandOver, [this] { ++overCount; });
    }
};

// Records the messages shown while it lives.
struct MessageRecorder {
    QList<Message> messages;
    MessageHandler previous;

    MessageRecorder() {
        previous = setMessageHandler([this](const Message& m) { messages << m; });
    }
    ~MessageRecorder() { setMessageHandler(previous); }
};

}  // namespace lumivox::testing
