// The real program, started as a user starts it: one instance per user.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

class SingleInstance : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(cache_.isValid()); }
    void TearDown() override {
        for (QProcess* p : {&first_, &second_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    void start(QProcess& p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", cache_.path());  // the lock lives in the private folder
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(LUMIVOX_PROGRAM, {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    // The lock file appears once the program took it, before its window exists.
    bool waitForLock() {
        const QString lock = cache_.path() + "/lumivox/lumivox.lock";
        for (int i = 0; i < 200 && !QFileInfo::exists(lock); ++i) {
            QThread::msleep(50);
        }
        return QFileInfo::exists(lock);
    }

    QTemporaryDir cache_;
    QProcess first_;
    QProcess second_;
};

TEST_F(SingleInstance, ASecondStartEndsSilentlyAndAKilledOneDoesNotBlock) {
    start(first_);
    ASSERT_TRUE(waitForLock());
    start(second_);
    ASSERT_TRUE(second_.waitForFinished(15000)) << "the second start must end by itself";
    EXPECT_EQ(second_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second_.exitCode(), 0);
    EXPECT_EQ(first_.state(), QProcess::Running) << "the running one is unaffected";

    ::kill(static_cast<pid_t>(first_.processId()), SIGKILL);
    first_.waitForFinished(5000);
    start(second_);
    EXPECT_FALSE(second_.waitForFinished(2000)) << "a killed program's lock must not block";
    EXPECT_EQ(second_.state(), QProcess::Running);
}

}  // namespace
