#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>

#include "engine/run/dosoutputs.h"
#include "engine/run/processlist.h"
#include "tests/engine/runner_support.h"

using namespace Qt::StringLiterals;
using lumivox::CurrentToolName;
using lumivox::DOSOutputs;
using lumivox::IsProcessRunning;
using lumivox::testing::fakeCmd;

namespace {

// Names of our own, so that parallel test runs on the machine do not meet.
QString uniqueName(const QString& stem) {
    return stem + QString::number(QCoreApplication::applicationPid() % 100000);
}

bool eventually(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(10);
    }
    return condition();
}

// A helper that shows in the process list as name for the given time.
void startNamed(QProcess& process, const QTemporaryDir& dir, const QString& name, int ms) {
    process.start(fakeCmd(), {u"exec-as"_s, dir.path(), name, u"sleep"_s, QString::number(ms)});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(eventually([&] { return IsProcessRunning(name); }));
}

}  // namespace

TEST(ProcessList, MatchesNamesWithoutRegardToCaseOnFifteenCharacters) {
    QTemporaryDir dir;
    const QString name = uniqueName(u"LvxList"_s);
    QProcess sleeper;
    startNamed(sleeper, dir, name, 30000);
    EXPECT_TRUE(IsProcessRunning(name.toLower()));
    EXPECT_TRUE(IsProcessRunning(name.toUpper()));
    EXPECT_FALSE(IsProcessRunning(name + u"x"_s));
    EXPECT_FALSE(IsProcessRunning(name.left(name.size() - 1)));
    EXPECT_FALSE(IsProcessRunning(QString()));
    sleeper.kill();
    sleeper.waitForFinished();
    EXPECT_FALSE(IsProcessRunning(name));

    // Linux keeps 15 characters of a longer name.
    const QString longName = u"lvxlongname_"_s + uniqueName(u"abcdefgh"_s);
    QProcess longSleeper;
    startNamed(longSleeper, dir, longName, 30000);
    EXPECT_TRUE(IsProcessRunning(longName));
    EXPECT_TRUE(IsProcessRunning(longName.left(15) + u"anything"_s));
    longSleeper.kill();
    longSleeper.waitForFinished();
}

TEST(ProcessList, ZombieIsNotRunning) {
    QTemporaryDir dir;
    const QString name = uniqueName(u"lvxzombie"_s);
    const QByteArray program = QFile::encodeName(fakeCmd());
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray nameBytes = name.toUtf8();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(program.constData(), program.constData(), "exec-as", folder.constData(),
                nameBytes.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Not reaped yet: the child stays in /proc as a zombie under its name.
    const QString statPath = u"/proc/%1/stat"_s.arg(pid);
    const bool becameZombie = eventually([&] {
        QFile stat(statPath);
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    });
    EXPECT_TRUE(becameZombie);
    QFile comm(u"/proc/%1/comm"_s.arg(pid));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    EXPECT_EQ(comm.readAll().trimmed(), nameBytes.left(15));
    EXPECT_FALSE(IsProcessRunning(name));
    ::waitpid(pid, nullptr, 0);
}

// The Windows rule the runner keeps: any process of the tool's name keeps the poll alive.
TEST(ProcessList, SameNamedProcessKeepsTheRunnerPolling) {
    QTemporaryDir dir;
    const QString name = uniqueName(u"lvxsleeper"_s);
    QProcess sleeper;
    startNamed(sleeper, dir, name, 700);

    DOSOutputs runner;
    lumivox::testing::RunRecorder recorder(runner);
    CurrentToolName = name;
    runner.ExecuteCommand(lumivox::testing::fakeCmd() + u" text hi"_s);
    // The sleeper is gone from the process list; QProcess may not have noticed yet.
    EXPECT_FALSE(IsProcessRunning(name));
    EXPECT_TRUE(sleeper.state() == QProcess::NotRunning || sleeper.waitForFinished(5000));
    EXPECT_EQ(runner.Outputs(), u"hi"_s);
    EXPECT_EQ(recorder.overCount, 1);
}
