#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QTimer>

#include <memory>

class QProcess;

namespace lumivox {

// Executable file name of the tool about to run ("sox.exe", "coder.exe", ...). Set by the
// caller before every run; read by the runner's end test.
extern QString CurrentToolName;

// Runs one console command line as a hidden child process and hands its merged output to the
// owner chunk by chunk (everything waiting at each pass, in chunks of at most 1024 bytes; 50 ms
// between passes). The passes are timer events, so whichever event loop runs drives them: the
// program's, a dialog's or ExecuteCommand's own. ExecuteCommand returns only when the command is
// over, after CommandOver was raised; startCommand returns at once.
class DOSOutputs : public QObject {
    Q_OBJECT
  public:
    explicit DOSOutputs(QObject* parent = nullptr);
    ~DOSOutputs() override;

    QString CommandLine() const { return commandLine_; }
    void setCommandLine(const QString& commandLine) { commandLine_ = commandLine; }
    QString Outputs() const { return outputs_; }

    // A non-empty DOSCommand replaces CommandLine first. Returns Outputs when a process was
    // started, an empty string when the run failed before that.
    QString ExecuteCommand(const QString& DOSCommand = QString());
    // The same run without waiting for it: the output and CommandOver follow from the event
    // loop. False when no process was started (the message was shown, no CommandOver follows),
    // also while this runner's previous command still runs.
    bool startCommand(const QString& DOSCommand = QString());

    // About the last run: whether a process was started, and its exit status (-1 when it did
    // not start or did not exit normally).
    bool lastRunStarted() const { return lastRunStarted_; }
    int lastExitStatus() const { return lastExitStatus_; }
    bool isRunning() const { return running_; }

    // Ends the running command and everything it started (its process group): SIGTERM, then
    // SIGKILL after kKillAfterMs. ExecuteCommand returns once they are gone; it does not wait
    // for other processes of the tool's name then. Does nothing when no command runs.
    void stop();
    // The same, waited for here without serving events: for the program's last moments.
    void endNow();
    // Whether the last run was ended by stop or endNow.
    bool wasStopped() const { return stopRequested_; }

    static constexpr int kKillAfterMs = 2000;

  signals:
    void ReceiveOutputs(QString& CommandOutputs);
    void CommandOver();

  private:
    void poll();
    qint64 handOn();
    void finishRun();

    QString commandLine_;
    QString outputs_;
    bool lastRunStarted_ = false;
    int lastExitStatus_ = -1;
    bool running_ = false;
    qint64 pid_ = 0;  // also the tool's process group
    bool stopRequested_ = false;
    bool killed_ = false;
    QElapsedTimer stopClock_;
    QString toolName_;  // CurrentToolName when the run started
    std::unique_ptr<QProcess> process_;
    // One decoder for the whole run, so a character split across two reads arrives whole.
    QStringDecoder decode_;
    QTimer pass_;
    bool inPass_ = false;
    bool passSoon_ = false;  // the child ended during a pass: the next one need not wait
};

}  // namespace lumivox
