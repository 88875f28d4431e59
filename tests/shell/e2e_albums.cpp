// End to end: album folders kept through the real window, the options dialog and the real tools.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTime>

#include "engine/apppaths.h"
#include "engine/commandbuilder.h"
#include "engine/conversionbatch.h"
#include "engine/messages.h"
#include "filelist/filelistmodel.h"
#include "settings/frmoptions.h"
#include "settings/lumivoxini.h"
#include "shell/commandrouter.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"
#include "tests/shell/window_support.h"
#include "widgets/desktopservices.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

const QStringList kTree{"Artist A/Album 1/01 Intro.flac", "Artist A/Album 2/01 Intro.flac",
                        "Artist B/Album 3/01 Intro.flac", "Artist B/Album 3/02 Song.flac"};

class Albums : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(makeProgramFolder(dir_));
        QDir().mkpath(dir_.filePath("T"));
        paths::setPrivateTempFolderOverride(dir_.filePath("T"));
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        desktopServices() =
            DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};
        out_ = dir_.filePath("out");
        start();

        music_ = dir_.filePath("music");
        for (const QString& flac : kTree) {
            QDir().mkpath(QFileInfo(music(flac)).path());
            ASSERT_TRUE(makeFlac(music(flac), 1.0));
        }
        ASSERT_TRUE(runTool("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                       "color=red:size=16x16", "-frames:v", "1",
                                       music("Artist A/Album 1/cover.jpg")}));
        for (const char* copy : {"Artist A/Album 2/Folder.JPG", "Artist B/Album 3/front.jpeg",
                                 "Artist B/Album 3/back.jpg"}) {
            ASSERT_TRUE(QFile::copy(music("Artist A/Album 1/cover.jpg"), music(copy)));
        }
        QDir().mkpath(dir_.filePath("single"));
        single_ = dir_.filePath("single/solo.flac");
        ASSERT_TRUE(makeFlac(single_, 1.0));
    }
    void TearDown() override {
        program_.reset();
        setMessageHandler({});
        desktopServices() = realDesktopServices();
        paths::setAppFolderOverride({});
        paths::setPrivateTempFolderOverride({});
    }

    void start() {
        program_ = std::make_unique<MainProgram>();
        window().txtPath()->setText(out_);
        window().formatBoxes()->selectFormat(FormatMp3);
    }
    frmMain& window() { return program_->window(); }
    QString music(const QString& relative) const { return music_ + "/" + relative; }
    QString mirrored(const QString& relative) const { return out_ + "/music/" + relative; }

    // Scans the music folder, adds the single file by itself, converts.
    bool scanAndConvert() {
        ScriptedDialogs dialogs;
        dialogs.accept(music_);
        window().router()->CmdToolsBar_Click(1);
        window().fileList()->AddFileEntry(single_);
        QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
        QTest::mouseClick(window().Command3(), Qt::LeftButton);
        return finished.wait(120000) && window().fileList()->FileCount() == 0;
    }

    static QStringList files(const QString& folder, const QString& pattern = "*") {
        return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QString out_;
    QString music_;
    QString single_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
};

TEST_F(Albums, TheTickedBoxSurvivesARestartAndMirrorsTheTreeWithoutEverOverwriting) {
    {
        frmOptions options(&window());
        EXPECT_FALSE(options.chkKeepFolders()->isChecked()) << "off by default";
        options.chkKeepFolders()->setChecked(true);
        options.imgOK_Click();
    }
    EXPECT_EQ(contents(paths::appFolder() + "/options.ini").count("\r\n"), 4);
    program_->imgExit_Click();
    start();
    {
        frmOptions options(&window());
        EXPECT_TRUE(options.chkKeepFolders()->isChecked());
    }

    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    for (const QString& flac : kTree) {
        const QFileInfo source(flac);
        const QStringList mp3s = files(mirrored(source.path()), GetFileStem("/" + flac) + "_*.mp3");
        ASSERT_EQ(mp3s.size(), 1) << flac.toStdString();
        EXPECT_GT(QFileInfo(mirrored(source.path()) + "/" + mp3s[0]).size(), 0);
    }
    const QByteArray picture = contents(music("Artist A/Album 1/cover.jpg"));
    for (const char* cover : {"Artist A/Album 1/cover.jpg", "Artist A/Album 2/Folder.JPG",
                              "Artist B/Album 3/front.jpeg"}) {
        EXPECT_EQ(contents(mirrored(cover)), picture) << cover;
    }
    EXPECT_FALSE(QFile::exists(mirrored("Artist B/Album 3/back.jpg"))) << "not a cover name";
    EXPECT_EQ(files(out_, "*.mp3").size(), 1) << "the single file stays flat";
    EXPECT_EQ(files(out_, "solo_*.mp3").size(), 1);

    // The second run: its names are taken already whatever second it finishes in, a cover has
    // been replaced by the user, and the first MP3 must come through untouched.
    const QString album1 = mirrored("Artist A/Album 1");
    const QString firstMp3 = album1 + "/" + files(album1, "*.mp3").value(0);
    const QByteArray firstBytes = contents(firstMp3);
    const QTime now = QTime::currentTime();
    for (int s = 0; s < 600; ++s) {
        QFile decoy(album1 + "/01 Intro_" + timeStamp(now.addSecs(s)) + ".mp3");
        ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
    }
    QFile mine(mirrored("Artist A/Album 2/Folder.JPG"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly | QIODevice::Truncate));
    mine.write("mine");
    mine.close();

    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    const QStringList counted = files(album1, "01 Intro_* (2).mp3");
    ASSERT_EQ(counted.size(), 1) << files(album1).join(", ").toStdString();
    EXPECT_GT(QFileInfo(album1 + "/" + counted[0]).size(), 0);
    EXPECT_EQ(contents(firstMp3), firstBytes);
    for (const QString& name : files(album1, "*.mp3")) {
        if (album1 + "/" + name != firstMp3 && name != counted[0]) {
            ASSERT_EQ(QFileInfo(album1 + "/" + name).size(), 0) << name.toStdString();
        }
    }
    EXPECT_EQ(contents(mirrored("Artist A/Album 2/Folder.JPG")), "mine");
    EXPECT_EQ(files(mirrored("Artist B/Album 3"), "*.mp3").size(), 4);
    EXPECT_EQ(files(out_, "*.mp3").size(), 2);
}

TEST_F(Albums, UntickedEverythingLandsFlatAndAFolderThatCannotBeMadeIsReported) {
    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    EXPECT_EQ(files(out_, "*.mp3").size(), kTree.size() + 1);
    EXPECT_TRUE(QDir(out_).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(files(out_, "*.jp*g").isEmpty());

    // A file where the album's folder would go: only the files below it fail, each named.
    ASSERT_TRUE(settings::saveKeepSourceFolders(true));
    QFile blocker(out_ + "/music");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(scanAndConvert());
    ASSERT_EQ(messages_.size(), 1);
    const QString report = messages_[0].text;
    for (const QString& flac : kTree) {
        EXPECT_TRUE(report.contains(music(flac))) << flac.toStdString();
    }
    EXPECT_EQ(report.count("无法创建文件夹"), kTree.size());
    EXPECT_FALSE(report.contains(single_));
    EXPECT_EQ(files(out_, "solo_*.mp3").size(), 2);
}

}  // namespace
