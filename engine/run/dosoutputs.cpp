#include "engine/run/dosoutputs.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "engine/base/apppaths.h"
#include "engine/base/cmdline.h"
#include "engine/base/messages.h"
#include "engine/run/processlist.h"

namespace lumivox {

QString CurrentToolName;

namespace {

constexpr qint64 kChunkBytes = 1024;
constexpr int kPollMilliseconds = 50;
// After SIGKILL, how long a stopped run still waits for its processes to go.
constexpr int kGoneBoundMs = 1000;

void signalGroup(qint64 pid, int sig) {
    if (pid <= 0) {
        return;
    }
    // The group is the tool's own unless setpgid failed; then at least the tool itself.
    if (::kill(static_cast<pid_t>(-pid), sig) != 0) {
        ::kill(static_cast<pid_t>(pid), sig);
    }
}

bool namesExecutable(const QString& token) {
    if (token.isEmpty()) {
        return false;
    }
    if (!token.contains(u'/')) {
        return !QStandardPaths::findExecutable(token).isEmpty();
    }
    const QFileInfo info(token);
    return info.isFile() && info.isExecutable();
}

struct ProgramAndArguments {
    QString program;
    QStringList arguments;
};

// "/home/me/My Apps/lumivox/data/coder.exe -i x.wav": an unquoted program token that names no
// executable grows to the next space until it does, as Windows does, so an application folder
// with spaces still works.
ProgramAndArguments splitProgram(const QString& commandLine) {
    QStringList tokens = splitCommandLine(commandLine);
    if (tokens.isEmpty()) {
        return {};
    }
    if (!commandLine.startsWith(u'"') && !namesExecutable(tokens.first())) {
        for (qsizetype space = commandLine.indexOf(u' ', tokens.first().size()); space > 0;
             space = commandLine.indexOf(u' ', space + 1)) {
            const QString candidate = commandLine.left(space);
            if (namesExecutable(candidate)) {
                return {candidate, splitArguments(commandLine.mid(space))};
            }
        }
        if (namesExecutable(commandLine)) {
            return {commandLine, {}};
        }
    }
    const QString program = tokens.takeFirst();
    return {program, tokens};
}

}  // namespace

DOSOutputs::DOSOutputs(QObject* parent) : QObject(parent) {
    pass_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the pause between passes is a lower bound.
    pass_.setTimerType(Qt::PreciseTimer);
    connect(&pass_, &QTimer::timeout, this, &DOSOutputs::poll);
}

DOSOutputs::~DOSOutputs() {
    // Nothing the runner started outlives it; QProcess reaps the tool itself.
    if (running_) {
        signalGroup(pid_, SIGKILL);
    }
}

QString DOSOutputs::ExecuteCommand(const QString& DOSCommand) {
    if (!startCommand(DOSCommand)) {
        return QString();
    }
    QEventLoop loop;
    connect(this, &DOSOutputs::CommandOver, &loop, &QEventLoop::quit);
    if (running_) {
        loop.exec();
    }
    return outputs_;
}

bool DOSOutputs::startCommand(const QString& DOSCommand) {
    if (running_) {
        return false;
    }
    if (!DOSCommand.isEmpty()) {
        commandLine_ = DOSCommand;
    }
    lastRunStarted_ = false;
    lastExitStatus_ = -1;
    stopRequested_ = false;
    killed_ = false;
    if (commandLine_.isEmpty()) {
        showMessage(QStringLiteral("Command Line empty"), MessageIcon::Critical);
        return false;
    }

    const ProgramAndArguments command = splitProgram(commandLine_);
    if (command.program.isEmpty()) {
        showMessage(QStringLiteral("File or command not found"), MessageIcon::Critical);
        return false;
    }
    process_ = std::make_unique<QProcess>();
    QProcess& process = *process_;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so a stop reaches what the tool started (ffmpeg under coder.exe);
    // and a tool whose program died without stopping it is told to end.
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
    });
    // The adapters keep their work files (mencoder's pass log) in the program's own private
    // folder, whatever it turned out to be.
    if (const QString work = paths::tmpFolder(); !work.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LUMIVOX_TMP"), work);
        process.setProcessEnvironment(environment);
    }
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        process_.reset();
        showMessage(QStringLiteral("File or command not found"), MessageIcon::Critical);
        return false;
    }

    running_ = true;
    pid_ = process.processId();
    toolName_ = CurrentToolName;
    outputs_.clear();
    decode_ = QStringDecoder(QStringConverter::System);
    // The child's end need not wait for the next pass: each run would otherwise lose up to a
    // whole pass, about 70 ms a file over the three runs of an MP3 job. The pass itself runs
    // from the timer, never inside QProcess's own signal.
    connect(&process, &QProcess::finished, this, [this] {
        if (inPass_) {
            passSoon_ = true;
        } else {
            pass_.start(0);
        }
    });
    pass_.start(0);
    return true;
}

// Returns the number of bytes taken.
qint64 DOSOutputs::handOn() {
    const QByteArray bytes = process_->read(kChunkBytes);
    QString text = decode_(bytes);
    if (!text.isEmpty()) {  // empty: only the first bytes of a character so far
        outputs_ += text;
        emit ReceiveOutputs(text);
    }
    return bytes.size();
}

void DOSOutputs::poll() {
    if (!running_ || inPass_) {
        return;
    }
    // Also our own child must be gone: a tool whose process name differs from the tool's name
    // would otherwise be taken as finished at once.
    const bool over = process_->state() == QProcess::NotRunning &&
                      (stopRequested_ ? !isProcessGroupAlive(pid_) : !IsProcessRunning(toolName_));
    if (over || (killed_ && stopClock_.elapsed() > kKillAfterMs + kGoneBoundMs)) {
        finishRun();
        return;
    }
    if (stopRequested_ && !killed_ && stopClock_.elapsed() >= kKillAfterMs) {
        signalGroup(pid_, SIGKILL);
        killed_ = true;
    }
    // QProcess takes the pipe's contents into its buffer while events are served, so the tool
    // is never held back by a full pipe: hand on everything that waits, a chunk of at most
    // 1024 bytes at a time, or the display falls behind the tool. What arrives while the
    // handlers run waits for the next pass.
    inPass_ = true;
    passSoon_ = false;
    for (qint64 waiting = process_->bytesAvailable(); waiting > 0;) {
        const qint64 taken = handOn();
        if (taken <= 0) {
            break;
        }
        waiting -= taken;
    }
    inPass_ = false;
    if (running_) {
        pass_.start(passSoon_ ? 0 : kPollMilliseconds);
    }
}

void DOSOutputs::finishRun() {
    pass_.stop();
    // What the tool wrote just before it ended.
    inPass_ = true;
    while (process_->bytesAvailable() > 0) {
        handOn();
    }
    inPass_ = false;
    lastRunStarted_ = true;
    lastExitStatus_ = process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    running_ = false;
    pid_ = 0;
    // The handlers may start the next run of this very runner.
    emit CommandOver();
}

void DOSOutputs::stop() {
    if (!running_ || pid_ <= 0 || stopRequested_) {
        return;
    }
    stopRequested_ = true;
    stopClock_.start();
    signalGroup(pid_, SIGTERM);
}

void DOSOutputs::endNow() {
    if (!running_ || pid_ <= 0) {
        return;
    }
    auto waitGone = [this](int boundMs) {
        QElapsedTimer clock;
        clock.start();
        while (isProcessGroupAlive(pid_)) {
            if (clock.elapsed() > boundMs) {
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    };
    if (!killed_) {
        stop();
        if (waitGone(kKillAfterMs - static_cast<int>(stopClock_.elapsed()))) {
            return;
        }
        signalGroup(pid_, SIGKILL);
        killed_ = true;
    }
    waitGone(kGoneBoundMs);
}

}  // namespace lumivox
