#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/base/cmdline.h"
#include "engine/run/dosoutputs.h"
#include "engine/run/processlist.h"
#include "tests/engine/runner_support.h"

using namespace Qt::StringLiterals;
using lumivox::CurrentToolName;
using lumivox::DOSOutputs;
using lumivox::MessageIcon;
using lumivox::quotePath;
using lumivox::testing::fakeCmd;
using lumivox::testing::fakeCmdName;
using lumivox::testing::MessageRecorder;
using lumivox::testing::RunRecorder;

namespace {

QString fake(const QString& steps) {
    return quotePath(fakeCmd()) + u' ' + steps;
}

QString alphabetBytes(int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        text += QChar(u'a' + i % 26);
    }
    return text;
}

class Runner : public ::testing::Test {
  protected:
    void SetUp() override { CurrentToolName = fakeCmdName(); }
    DOSOutputs runner;
    RunRecorder recorder{runner};
    MessageRecorder messages;
};

}  // namespace

TEST_F(Runner, HandsOnEverythingWaitingInChunksOfAtMost1024Bytes) {
    // 3000 bytes written in one go while the tool lives on.
    const QString result = runner.ExecuteCommand(fake(u"bytes 3000 sleep 400"_s));
    ASSERT_EQ(recorder.chunks.size(), 3);
    EXPECT_EQ(recorder.chunks[0].size(), 1024);
    EXPECT_EQ(recorder.chunks[1].size(), 1024);
    EXPECT_EQ(recorder.chunks[2].size(), 952);
    // All three in the same pass, long before the tool ends: the display keeps up with it
    // rather than taking one chunk per 50 ms pass.
    EXPECT_LT(recorder.chunkTimes[2] - recorder.chunkTimes[0], 30);
    EXPECT_LT(recorder.chunkTimes[2], 300);
    EXPECT_EQ(recorder.chunks.join(QString()), alphabetBytes(3000));
    EXPECT_EQ(runner.Outputs(), recorder.chunks.join(QString()));
    EXPECT_EQ(result, runner.Outputs());
    EXPECT_EQ(recorder.overCount, 1);
}

TEST_F(Runner, LosesNothingOfOutputWrittenJustBeforeTheEnd) {
    runner.ExecuteCommand(fake(u"burst 700 3 20 bytes 9000"_s));
    EXPECT_EQ(runner.Outputs().size(), 3 * 700 + 9000);
    for (const QString& chunk : recorder.chunks) {
        EXPECT_LE(chunk.size(), 1024);
    }
    EXPECT_EQ(recorder.chunks.join(QString()), runner.Outputs());
    EXPECT_EQ(recorder.overCount, 1);
}

TEST_F(Runner, SilentCommandEndsWithExactlyOneCommandOver) {
    const QString result = runner.ExecuteCommand(fakeCmd());
    EXPECT_TRUE(recorder.chunks.isEmpty());
    EXPECT_EQ(recorder.overCount, 1);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_TRUE(runner.lastRunStarted());
    EXPECT_EQ(runner.lastExitStatus(), 0);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(Runner, ProgramThatCannotStartGivesMessageAndNoEvents) {
    QTemporaryDir dir;
    const QString notExecutable = dir.filePath(u"plain.txt"_s);
    QFile file(notExecutable);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString& line : {u"/no/such/folder/coder.exe -i x.wav"_s, notExecutable, u"   "_s,
                                quotePath(u"/no/such tool"_s)}) {
        runner.setCommandLine(u"previous output run"_s);
        runner.ExecuteCommand(fake(u"text before"_s));
        recorder.chunks.clear();
        recorder.overCount = 0;
        messages.messages.clear();

        EXPECT_TRUE(runner.ExecuteCommand(line).isEmpty()) << line.toStdString();
        ASSERT_EQ(messages.messages.size(), 1) << line.toStdString();
        EXPECT_EQ(messages.messages[0].text, u"File or command not found"_s);
        EXPECT_EQ(messages.messages[0].icon, MessageIcon::Critical);
        EXPECT_EQ(recorder.overCount, 0);
        EXPECT_TRUE(recorder.chunks.isEmpty());
        EXPECT_FALSE(runner.lastRunStarted());
        EXPECT_EQ(runner.lastExitStatus(), -1);
    }
}

TEST_F(Runner, EmptyCommandLineAndTheReplacingArgument) {
    EXPECT_TRUE(runner.ExecuteCommand().isEmpty());
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages[0].text, u"Command Line empty"_s);
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(recorder.overCount, 0);

    runner.setCommandLine(u"/no/such/program"_s);
    const QString line = fake(u"text hi"_s);
    EXPECT_EQ(runner.ExecuteCommand(line), u"hi"_s);
    EXPECT_EQ(runner.CommandLine(), line);
    // An empty argument leaves CommandLine as it is and runs it again.
    EXPECT_EQ(runner.ExecuteCommand(), u"hi"_s);
    EXPECT_EQ(recorder.overCount, 2);
    EXPECT_EQ(messages.messages.size(), 1);
}

TEST_F(Runner, RunStartedFromCommandOverCompletesBeforeTheOuterCallReturns) {
    DOSOutputs second;
    QStringList log;
    QObject::connect(&runner, &DOSOutputs::CommandOver, [&] {
        log << u"first over"_s;
        second.ExecuteCommand(fake(u"sleep 100 text two"_s));
        log << u"second returned"_s;
    });
    QObject::connect(&second, &DOSOutputs::ReceiveOutputs,
                     [&](QString& text) { log << u"second: "_s + text; });
    QObject::connect(&second, &DOSOutputs::CommandOver, [&] { log << u"second over"_s; });

    runner.ExecuteCommand(fake(u"text one"_s));
    log << u"first returned"_s;
    EXPECT_EQ(log, (QStringList{u"first over"_s, u"second: two"_s, u"second over"_s,
                                u"second returned"_s, u"first returned"_s}));
    EXPECT_EQ(runner.Outputs(), u"one"_s);
    EXPECT_EQ(second.Outputs(), u"two"_s);
}

TEST_F(Runner, CharacterSplitAcrossTwoReadsArrivesWhole) {
    runner.ExecuteCommand(fake(u"utf8split"_s));
    EXPECT_EQ(runner.Outputs(), u"x€y"_s);
    EXPECT_EQ(recorder.chunks, (QStringList{u"x"_s, u"€y"_s}));
}

TEST_F(Runner, ServesEventsWhileARunIsInProgress) {
    bool timerRanDuringRun = false;
    bool queuedCallRanDuringRun = false;
    QTimer::singleShot(100, [&] { timerRanDuringRun = runner.isRunning(); });
    QMetaObject::invokeMethod(
        qApp, [&] { queuedCallRanDuringRun = runner.isRunning(); }, Qt::QueuedConnection);
    runner.ExecuteCommand(fake(u"sleep 400"_s));
    EXPECT_TRUE(timerRanDuringRun);
    EXPECT_TRUE(queuedCallRanDuringRun);
    EXPECT_FALSE(runner.isRunning());
}

TEST_F(Runner, RecordsTheExitStatus) {
    runner.ExecuteCommand(fake(u"text x exit 3"_s));
    EXPECT_TRUE(runner.lastRunStarted());
    EXPECT_EQ(runner.lastExitStatus(), 3);
    runner.ExecuteCommand(fake(u"text x crash"_s));
    EXPECT_TRUE(runner.lastRunStarted());
    EXPECT_EQ(runner.lastExitStatus(), -1);
    EXPECT_EQ(runner.Outputs(), u"x"_s);
    EXPECT_EQ(recorder.overCount, 2);
}

// The Windows rule alone would end this run at the first pass: no process of that name exists.
TEST_F(Runner, WaitsForItsOwnChildWhateverItsName) {
    CurrentToolName = u"nosuchtool.exe"_s;
    runner.ExecuteCommand(fake(u"sleep 300 text late"_s));
    EXPECT_EQ(runner.Outputs(), u"late"_s);
    EXPECT_EQ(recorder.overCount, 1);
}

TEST_F(Runner, FindsTheProgramInAnApplicationFolderWithSpaces) {
    QTemporaryDir dir;
    const QString data = dir.path() + u"/My App Folder/data"_s;
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(QFile::link(fakeCmd(), data + u"/lvxcoder.exe"_s));
    CurrentToolName = u"lvxcoder.exe"_s;
    runner.ExecuteCommand(data + u"/lvxcoder.exe argv -i  two"_s);
    EXPECT_EQ(runner.Outputs(), u"-i\0two\0"_s);
    EXPECT_TRUE(messages.messages.isEmpty());
}

// File names from a folder scan are untrusted: whatever they hold, the tool gets each as one
// argument, exactly.
TEST_F(Runner, QuotedNamesReachTheToolIntact) {
    const QStringList names{
        u"a\" -y \"b.flac"_s,    u"/m/trailing\\"_s,  u"/m/two\\\\"_s,       u"q\\\"uote \\\\\"x"_s,
        u"tab\there"_s,          u"new\nline.flac"_s, u"中文 歌曲 é.flac"_s, u""_s,
        u"  lead and trail  "_s, u"\"\"\""_s};
    QString line = fake(u"argv"_s);
    for (const QString& name : names) {
        line += u' ' + quotePath(name);
    }
    runner.ExecuteCommand(line);
    QStringList received = runner.Outputs().split(QChar(0));
    ASSERT_EQ(received.takeLast(), QString());
    EXPECT_EQ(received, names);
}

// A stop reaches what the tool started, also a process that shrugs off SIGTERM; a second stop
// changes nothing, and the run ends once they are gone.
TEST_F(Runner, StopEndsTheToolsWholeProcessGroup) {
    CurrentToolName = u"sh"_s;
    qint64 group = 0;
    bool aliveBeforeStop = false;
    QObject::connect(&runner, &DOSOutputs::ReceiveOutputs, [&](QString& text) {
        if (group != 0) {
            return;
        }
        group = text.section(u' ', 0, 0).toLongLong();
        aliveBeforeStop = lumivox::isProcessGroupAlive(group);
        runner.stop();
        runner.stop();
    });
    runner.ExecuteCommand(u"/bin/sh -c \"trap '' TERM; sleep 600 & echo $$ $!; wait\""_s);
    ASSERT_NE(group, 0);
    EXPECT_TRUE(aliveBeforeStop) << "the tool leads a process group of its own";
    EXPECT_FALSE(lumivox::isProcessGroupAlive(group));
    EXPECT_TRUE(runner.wasStopped());
    EXPECT_EQ(recorder.overCount, 1);
    EXPECT_FALSE(runner.isRunning());
}

// startCommand leaves the waiting to whichever event loop runs next (here one that knows
// nothing of the runner, as a dialog's); the runner takes no second command meanwhile.
TEST_F(Runner, AStartedCommandRunsOnInAnyEventLoop) {
    ASSERT_TRUE(runner.startCommand(fake(u"text one sleep 200 text two"_s)));
    EXPECT_TRUE(runner.isRunning());
    EXPECT_FALSE(runner.startCommand(fake(u"text three"_s)));
    EXPECT_TRUE(recorder.chunks.isEmpty());
    QEventLoop elsewhere;
    QObject::connect(&runner, &DOSOutputs::CommandOver, &elsewhere, &QEventLoop::quit);
    QTimer::singleShot(5000, &elsewhere, &QEventLoop::quit);
    elsewhere.exec();
    EXPECT_EQ(recorder.overCount, 1);
    EXPECT_EQ(runner.Outputs(), u"onetwo"_s);
    EXPECT_FALSE(runner.isRunning());
    EXPECT_EQ(runner.lastExitStatus(), 0);
}
