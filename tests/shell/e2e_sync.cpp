// Sync mode end to end: the real window and tools on a small library made here.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "library/id3record.h"
#include "settings/lumivoxini.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

const QStringList kLibrary{"A/Album 1/01 One.flac", "A/Album 1/02 Two.flac",
                           "A/Album 2/01 Intro.flac"};

class Sync : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        useProgramFolderIn(dir_);
        setMessageHandler([this](const Message& m) { messages_.append(m.text); });
        setQuestionHandler([this](const Message& m) {
            questions_.append(m.text);
            return answer_;
        });
        ASSERT_TRUE(settings::save(settings::ini::LibrarySync, true));
        for (const QString& flac : kLibrary) {
            QDir().mkpath(QFileInfo(music(flac)).path());
            ASSERT_TRUE(makeFlac(music(flac), 1.0, {"title=" + QFileInfo(flac).baseName()}));
        }
        program_ = std::make_unique<MainProgram>();
        program_->window().formatBoxes()->selectFormat(8);
        program_->window().txtPath()->setText(out_);
    }
    void TearDown() override {
        program_.reset();
        setQuestionHandler({});
        restoreProgramSeams();
    }
    QString music(const QString& relative = {}) const {
        return dir_.filePath("music") + (relative.isEmpty() ? "" : "/" + relative);
    }
    QString mp3(const QString& flac) const {
        return out_ + "/music/" + QString(flac).replace(".flac", ".mp3");
    }
    // The MP3 after its ID3v2 tag.
    static QByteArray audioOf(const QByteArray& mp3) {
        qsizetype size = 10;
        for (int i = 6; i < 10; ++i) {
            size += static_cast<qsizetype>(mp3[i] & 0x7f) << (7 * (9 - i));
        }
        return mp3.mid(size);
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Every file below the output folder, hidden ones too.
    QStringList outputFiles() const {
        QStringList files;
        QDirIterator it(out_, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files << QDir(out_).relativeFilePath(it.next());
        }
        files.sort();
        return files;
    }

    // The library as the folder scan lists it, converted; the end message.
    QString syncRun(const std::function<void()>& meanwhile = {}) {
        messages_.clear();
        QStringList flacs;
        QDirIterator it(music(), {"*.flac"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            flacs << it.next();
        }
        flacs.sort();
        program_->window().fileList()->addFileEntries(flacs, music());
        QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
        if (meanwhile) {
            meanwhile();
        }
        program_->batch().imgStart_Click();
        EXPECT_TRUE(finished.wait(240000));
        return messages_.join("\n");
    }

    QTemporaryDir dir_;
    QString out_ = dir_.filePath("out");
    std::unique_ptr<MainProgram> program_;
    QStringList messages_;
    QStringList questions_;
    bool answer_ = true;
};

TEST_F(Sync, ConvertsOnceThenNothingThenOnlyWhatChanged) {
    EXPECT_EQ(syncRun(), "转换 3 个，更新标签 0 个，已是最新 0 个，失败 0 个。");
    for (const QString& flac : kLibrary) {
        ASSERT_TRUE(library::readRecord(mp3(flac))) << flac.toStdString();
    }
    const QByteArray one = contents(mp3(kLibrary[0]));
    const QByteArray two = contents(mp3(kLibrary[1]));
    // The user's own things in the output tree.
    QFile notes(out_ + "/music/A/Album 2/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    ASSERT_TRUE(makeFlac(dir_.filePath("mine.flac"), 1.0));
    ASSERT_TRUE(runTool("ffmpeg", {"-loglevel", "error", "-i", dir_.filePath("mine.flac"),
                                   out_ + "/music/A/Album 1/mine.mp3"}));

    EXPECT_EQ(syncRun(), "转换 0 个，更新标签 0 个，已是最新 3 个，失败 0 个。");
    EXPECT_EQ(contents(mp3(kLibrary[0])), one) << "not written again";
    EXPECT_TRUE(questions_.isEmpty());

    // Retag one, replace one, delete an album.
    ASSERT_TRUE(
        runTool("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=Uno", music(kLibrary[0])}));
    ASSERT_TRUE(makeFlac(music(kLibrary[1]), 1.5));
    ASSERT_TRUE(QFile::remove(music(kLibrary[2])));
    EXPECT_EQ(syncRun(), "转换 1 个，更新标签 1 个，已是最新 0 个，失败 0 个。");
    ASSERT_EQ(questions_.size(), 1);
    EXPECT_TRUE(questions_[0].startsWith("源文件已不存在的 1 个 MP3 要删除吗？"))
        << questions_[0].toStdString();
    const QByteArray retagged = contents(mp3(kLibrary[0]));
    EXPECT_NE(retagged, one);
    EXPECT_TRUE(retagged.contains("Uno"));
    EXPECT_EQ(audioOf(retagged), audioOf(one)) << "a tag update keeps the sound byte for byte";
    EXPECT_NE(contents(mp3(kLibrary[1])), two);
    EXPECT_FALSE(QFile::exists(mp3(kLibrary[2])));
    EXPECT_TRUE(QFile::exists(out_ + "/music/A/Album 2/notes.txt")) << "not the program's";
    EXPECT_TRUE(QFile::exists(out_ + "/music/A/Album 1/mine.mp3")) << "no record: the user's";
    for (const QString& file : outputFiles()) {
        EXPECT_FALSE(QFileInfo(file).fileName().startsWith('.')) << file.toStdString();
    }
}

TEST_F(Sync, AUsersFileAtTheNameIsNeverOverwrittenNorCopiedAgain) {
    QDir().mkpath(out_ + "/music/A/Album 1");
    QFile mine(mp3(kLibrary[0]));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly) && mine.write("mine") == 4);
    mine.close();
    const QString first = syncRun();
    EXPECT_TRUE(first.startsWith("转换 3 个，更新标签 0 个，已是最新 0 个，失败 0 个。"));
    EXPECT_TRUE(first.contains("01 One.mp3")) << "the end message says why";
    EXPECT_EQ(contents(mp3(kLibrary[0])), "mine");
    const QStringList album1 =
        QDir(out_ + "/music/A/Album 1").entryList({"01 One*.mp3"}, QDir::Files);
    EXPECT_EQ(album1.size(), 2);
    EXPECT_TRUE(syncRun().startsWith("转换 0 个，更新标签 0 个，已是最新 3 个，失败 0 个。"));
    EXPECT_EQ(QDir(out_ + "/music/A/Album 1").entryList({"01 One*.mp3"}, QDir::Files), album1);
}

// A stop while a replacement encodes keeps the old MP3 whole; the next run picks up.
TEST_F(Sync, AStopInTheMiddleKeepsEveryFinishedMp3AndTheRerunPicksUp) {
    ASSERT_TRUE(makeFlac(music(kLibrary[1]), 30.0));
    ASSERT_TRUE(syncRun().startsWith("转换 3 个"));
    const QByteArray before = contents(mp3(kLibrary[1]));
    ASSERT_TRUE(makeFlac(music(kLibrary[1]), 40.0));
    ASSERT_TRUE(
        runTool("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=Uno", music(kLibrary[0])}));
    // Stop as soon as the long file's encode shows progress.
    const auto hook = QObject::connect(
        &program_->batch().objffmpeg, &DOSOutputs::ReceiveOutputs, [&](QString& text) {
            if (text.contains("time=")) {
                QTimer::singleShot(0, [&] { program_->batch().cmdStop_Click(); });
            }
        });
    syncRun();
    QObject::disconnect(hook);
    EXPECT_EQ(contents(mp3(kLibrary[1])), before) << "the old MP3 stays until the new is whole";
    for (const QString& file : outputFiles()) {
        EXPECT_FALSE(QFileInfo(file).fileName().startsWith('.')) << file.toStdString();
        EXPECT_TRUE(library::readRecord(out_ + "/" + file)) << file.toStdString();
    }
    program_->window().fileList()->ClearFileList([] {});
    EXPECT_EQ(syncRun(), "转换 1 个，更新标签 0 个，已是最新 2 个，失败 0 个。");
}

// An album image's tracks keep their names and records like whole files: converted once, then
// up to date, then only their tags rewritten.
TEST_F(Sync, AnImagesTracksAreSyncedOneByOne) {
    const QString image = music("B/Live/live.flac");
    QDir().mkpath(QFileInfo(image).path());
    ASSERT_TRUE(makeFlac(image, 4.0, {"GENRE=Live"}));
    QFile sheet(music("B/Live/live.cue"));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write(
        "PERFORMER \"Band\"\nTITLE \"Live\"\nFILE \"live.wav\" WAVE\n"
        "  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    INDEX 01 00:02:00\n");
    sheet.close();
    EXPECT_EQ(syncRun(), "转换 5 个，更新标签 0 个，已是最新 0 个，失败 0 个。");
    const QString track2 = out_ + "/music/B/Live/Band - Live/02 - Second.mp3";
    ASSERT_TRUE(library::readRecord(track2));
    EXPECT_EQ(library::readRecord(track2)->track, 2);
    const QByteArray before = contents(track2);
    EXPECT_EQ(syncRun(), "转换 0 个，更新标签 0 个，已是最新 5 个，失败 0 个。");
    EXPECT_EQ(contents(track2), before);

    ASSERT_TRUE(runTool("metaflac", {"--remove-tag=GENRE", "--set-tag=GENRE=Concert", image}));
    EXPECT_EQ(syncRun(), "转换 0 个，更新标签 2 个，已是最新 3 个，失败 0 个。");
    EXPECT_EQ(audioOf(contents(track2)), audioOf(before));
    EXPECT_TRUE(contents(track2).contains("Concert"));
    EXPECT_TRUE(questions_.isEmpty());
}

}  // namespace
