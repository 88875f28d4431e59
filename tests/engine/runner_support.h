#pragma once
// Shared by the runner tests: the helper tool and a recorder of a runner's events.

#include <QElapsedTimer>
#include <QEventLoop>
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

// Runs a command on the runner the window uses and serves events until it is over, as the
// program's own loop would. A non-empty line replaces the command line first. Returns the
// output when a process was started, an empty text otherwise.
inline QString runToEnd(DOSOutputs& runner, const QString& line = QString()) {
    if (!runner.startCommand(line)) {
        return QString();
    }
    QEventLoop loop;
    QObject::connect(&runner, &DOSOutputs::CommandOver, &loop, &QEventLoop::quit);
    if (runner.isRunning()) {
        loop.exec();
    }
    return runner.Outputs();
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
