// Stopping a batch, and ending the program during one: the real window, adapters and tools.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <functional>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/settingsfiles.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"
#include "widgets/desktopservices.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

// A death test's child works in its parent's folders, so the parent can look at what it left.
const char* const kRootVariable = "LUMIVOX_TEST_STOP_ROOT";
const char* const kLongFlacVariable = "LUMIVOX_TEST_LONG_FLAC";

// Ten minutes of sound, made once per test program (level 0 keeps the making cheap).
QString longFlac() {
    static QTemporaryDir dir;
    static const QString path = [] {
        QString made = qEnvironmentVariable(kLongFlacVariable);
        if (!made.isEmpty() && QFileInfo(made).isFile()) {
            return made;
        }
        made = dir.filePath("long.flac");
        runTool("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                           "sine=frequency=440:sample_rate=44100:duration=600", "-ac", "2",
                           "-compression_level", "0", made});
        qputenv(kLongFlacVariable, made.toLocal8Bit());
        return made;
    }();
    return path;
}

// The live processes that carry this test's work folder in their environment: every tool the
// runner starts, and what those start in turn. A zombie's environment reads empty.
QStringList toolsOf(const QString& workFolder) {
    const QByteArray marker = "LUMIVOX_TMP=" + QFile::encodeName(workFolder);
    QStringList pids;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile environment("/proc/" + pid + "/environ");
        if (pid.at(0).isDigit() && environment.open(QIODevice::ReadOnly) &&
            environment.readAll().split('\0').contains(marker)) {
            pids << pid;
        }
    }
    return pids;
}

class StopEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = qEnvironmentVariable(kRootVariable);
        if (root_.isEmpty()) {
            ASSERT_TRUE(dir_.isValid());
            root_ = dir_.path();
        }
        const QString app = root_ + "/app";
        if (!QFileInfo::exists(app + "/data")) {
            QDir().mkpath(app);
            QFile::link(QStringLiteral(LUMIVOX_DATA_DIR), app + "/data");
        }
        paths::setAppFolderOverride(app);
        private_ = root_ + "/T";
        QDir().mkpath(private_);
        paths::setPrivateTempFolderOverride(private_);
        ASSERT_TRUE(QFileInfo(longFlac()).isFile());
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        desktopServices() = DesktopServices{
            [this](const QString& folder) { openedFolders_.append(folder); },
            [this](const QString& wav) { sounds_.append(wav); }, [](const QUrl&) {}};
        program_ = std::make_unique<MainProgram>();
        out_ = root_ + "/out";
        window().txtPath()->setText(out_);
        window().formatBoxes()->selectFormat(8);
    }
    void TearDown() override {
        program_.reset();
        restoreProgramSeams();
    }

    frmMain& window() { return program_->window(); }
    QStringList outputs() const {
        return QDir(out_).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Runs end() once the encoder of the long file is at work.
    void onceEncoding(const std::function<void()>& end) {
        QObject::connect(&program_->batch().objffmpeg, &DOSOutputs::ReceiveOutputs,
                         [this, end, done = false](QString& text) mutable {
                             if (!done && text.contains("time=") &&
                                 window().fileList()->FilePathAt(0) == longFlac()) {
                                 done = true;
                                 end();
                             }
                         });
    }

    QTemporaryDir dir_;
    QString root_;
    QString private_;
    QString out_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
    QStringList openedFolders_;
    QStringList sounds_;
};

TEST_F(StopEndToEnd, AStopMidFileLeavesNothingRunningNorHalfWrittenAndTheRestConvertsNext) {
    const QString bad = root_ + "/bad.flac";
    const QString shortOne = root_ + "/short.flac";
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write("not a FLAC file");
    badFile.close();
    ASSERT_TRUE(makeFlac(shortOne, 1.0));
    const QStringList rest{longFlac(), shortOne};
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));

    // Esc while the start is armed: nothing runs, nothing leaves the list.
    window().fileList()->AddFileEntry(shortOne);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    EXPECT_TRUE(window().cmdStop()->isVisible());
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_FALSE(program_->batch().isBusy());
    EXPECT_EQ(window().fileList()->paths(), QStringList{shortOne});
    EXPECT_EQ(window().lblPB()->text(), "已停止");
    window().fileList()->removeEntryAt(0);

    for (const QString& path : {bad, longFlac(), shortOne}) {
        window().fileList()->AddFileEntry(path);
    }
    QStringList toolsAtWork;
    QElapsedTimer stopClock;
    QList<bool> menusDuringBatch;
    QString captionAtOnce;
    QString usersFile;
    onceEncoding([&] {
        toolsAtWork = toolsOf(paths::tmpFolder());
        // A file of the user's whose name starts like the MP3's: the stop must leave it.
        const QString mp3 = program_->batch().objffmpeg.CommandLine().section(u' ', -1);
        usersFile = QFileInfo(mp3.endsWith(u'"') ? mp3.chopped(1) : mp3).fileName() + ".backup";
        QFile file(out_ + "/" + usersFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const char* item : {"menuAdd", "menuAddFolder", "menuDelete", "menuClear"}) {
            menusDuringBatch << window().findChild<QAction*>(item)->isEnabled();
        }
        stopClock.start();
        QTest::mouseClick(window().cmdStop(), Qt::LeftButton);
        captionAtOnce = window().lblPB()->text();
    });
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(120000));
    // A measure for the record (the tool should be gone well within 3 s), not a check.
    RecordProperty("stop_to_end_of_batch_ms", static_cast<int>(stopClock.elapsed()));

    EXPECT_FALSE(toolsAtWork.isEmpty());
    EXPECT_EQ(toolsOf(paths::tmpFolder()), QStringList{});
    EXPECT_EQ(menusDuringBatch, QList<bool>(4, false));
    EXPECT_EQ(captionAtOnce, "已停止");
    EXPECT_EQ(window().lblPB()->text(), "已停止");
    EXPECT_EQ(window().pb()->value(), 0);
    EXPECT_EQ(window().imgPB()->width(), 0);
    EXPECT_EQ(window().fileList()->paths(), rest);
    EXPECT_EQ(outputs(), QStringList{usersFile}) << "no partial MP3, no piece of one";
    EXPECT_FALSE(QFile::exists(paths::tmpWav()));
    EXPECT_TRUE(openedFolders_.isEmpty());
    EXPECT_TRUE(sounds_.isEmpty());
    ASSERT_EQ(messages_.size(), 1) << "the file that failed before the stop is named";
    EXPECT_TRUE(messages_.at(0).text.contains(bad));
    EXPECT_FALSE(messages_.at(0).text.contains(longFlac()));
    EXPECT_TRUE(window().Command3()->isEnabled());
    EXPECT_TRUE(window().cmdStop()->isHidden());
    for (const char* item : {"menuAdd", "menuAddFolder", "menuDelete", "menuClear"}) {
        EXPECT_TRUE(window().findChild<QAction*>(item)->isEnabled()) << item;
    }

    // The next start converts the rest (small settings keep the long file quick).
    window().cmbR()->setEditText("8000");
    window().cmbBR()->setEditText("32");
    window().cmbChannel()->setCurrentIndex(0);
    messages_.clear();
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_EQ(window().fileList()->FileCount(), 0);
    EXPECT_EQ(window().lblPB()->text(), "Done.");
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    EXPECT_EQ(outputs().filter(QRegularExpression("^(long|short)_\\d+\\.mp3$")).size(), 2);
    EXPECT_TRUE(outputs().contains(usersFile));
}

// The exit command, the window's close and the session's end (the application is told to quit)
// during a batch: the program ends at once, and nothing it started runs on or is left half-written.
TEST_F(StopEndToEnd, EndingTheProgramMidBatchLeavesNoToolAndNoPartialFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    qputenv(kRootVariable, root_.toLocal8Bit());
    auto runThenEnd = [this](const std::function<void()>& end) {
        window().show();
        window().fileList()->AddFileEntry(longFlac());
        onceEncoding([&end] {
            if (toolsOf(paths::tmpFolder()).isEmpty()) {
                std::exit(2);  // nothing to leave behind: the test would prove nothing
            }
            end();
        });
        QTest::mouseClick(window().Command3(), Qt::LeftButton);
        QApplication::exec();  // the batch runs inside, as in the program
        std::exit(1);          // the program went on after being told to end
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"exit command", [this] { window().findChild<QAction*>("menuExit")->trigger(); }},
        {"window close", [this] { window().close(); }},
        {"session end", [] { QCoreApplication::quit(); }},
    };
    for (const auto& [way, end] : ways) {
        EXPECT_EXIT(runThenEnd(end), ::testing::ExitedWithCode(0), "") << way;
        EXPECT_EQ(toolsOf(paths::tmpFolder()), QStringList{}) << way;
        EXPECT_EQ(outputs(), QStringList{}) << way;
        EXPECT_FALSE(QFile::exists(paths::tmpWav())) << way;
    }
    qunsetenv(kRootVariable);
    EXPECT_TRUE(QFile::exists(root_ + "/app/setup.ini")) << "the exit command saved the choices";
}

}  // namespace
