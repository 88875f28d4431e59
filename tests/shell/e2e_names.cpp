// End to end: a collection whose names are not UTF-8, scanned and dropped, converted by the real
// window and tools under readable names, the sources untouched.

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
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

struct Source {
    QByteArray bytes;  // below the music folder
    QString shown;
};

// Albums as archives made on Chinese, Taiwanese, Japanese and Western Windows unpack them,
// beside one in UTF-8.
const QList<Source> kTree{
    {"\xb4\xba/\xb4\xba\xcc\xec.flac", u"春/春天.flac"_qs},  // GBK
    {"\xb4\xba/\xd4\xc2\xc1\xc1.flac", u"春/月亮.flac"_qs},
    {"\xaa\x46\xa8\xca/\xa9\x5d\xa8\xd3\xad\xbb.flac", u"東京/夜來香.flac"_qs},  // Big5
    {"\x82\xb3\x82\xad\x82\xe7/\x8f\x74.flac", u"さくら/春.flac"_qs},            // Shift-JIS
    {"Caf\xe9/M\xfcller.flac", u"Café/Müller.flac"_qs},                          // Latin-1
    {"utf8/\xe6\xad\x8c.flac", u"utf8/歌.flac"_qs},
};

// Every path below root, as bytes, with its size and change time.
std::map<QByteArray, std::pair<off_t, time_t>> snapshot(const QByteArray& root) {
    std::map<QByteArray, std::pair<off_t, time_t>> seen;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(root.constData()), &::closedir);
    while (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        const QByteArray path = root + '/' + name;
        ::lstat(path.constData(), &st);
        seen[path] = {st.st_size, st.st_ctime};
        if (S_ISDIR(st.st_mode)) {
            seen.merge(snapshot(path));
        }
    }
    return seen;
}

class ForeignNames : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        useProgramFolderIn(dir_);
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        music_ = dir_.filePath("Music");
        const QByteArray base = QFile::encodeName(music_) + '/';
        ASSERT_TRUE(makeFlac(dir_.filePath("tone.flac"), 1.0));
        for (const Source& source : kTree) {
            const QByteArray path = base + source.bytes;
            ::mkdir(base.constData(), 0700);
            ::mkdir(path.left(path.lastIndexOf('/')).constData(), 0700);
            ASSERT_TRUE(QFile::copy(dir_.filePath("tone.flac"), dir_.filePath("copy.flac")));
            ASSERT_EQ(::rename(QFile::encodeName(dir_.filePath("copy.flac")).constData(),
                               path.constData()),
                      0);
        }
        before_ = snapshot(QFile::encodeName(music_));
        program_ = std::make_unique<MainProgram>();
        out_ = dir_.filePath("out");
        program_->window().txtPath()->setText(out_);
        program_->window().formatBoxes()->selectFormat(8);  // MP3
    }
    void TearDown() override {
        program_.reset();
        restoreProgramSeams();
        // QTemporaryDir removes through names it can spell only.
        for (const auto& [path, facts] : snapshot(QFile::encodeName(music_))) {
            ::unlink(path.constData());
        }
        for (const Source& source : kTree) {
            const QByteArray path = QFile::encodeName(music_) + '/' + source.bytes;
            ::rmdir(path.left(path.lastIndexOf('/')).constData());
        }
    }

    bool convert() {
        QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
        QTest::mouseClick(program_->window().Command3(), Qt::LeftButton);
        return finished.wait(120000);
    }

    // The MP3 of each source, named by its readable stem, in outFolder + its subfolder.
    void expectReadableMp3s(bool mirrored) {
        for (const Source& source : kTree) {
            const QFileInfo shown(source.shown);
            const QString folder = mirrored ? out_ + "/Music/" + shown.path() + '/' : out_ + u'/';
            const QStringList found =
                QDir(folder).entryList({shown.completeBaseName() + "_*.mp3"}, QDir::Files);
            ASSERT_EQ(found.size(), 1) << qPrintable(folder + shown.completeBaseName());
            const QJsonObject probed = probe(folder + found.first());
            EXPECT_EQ(firstStream(probed, "audio").value("codec_name").toString(), "mp3");
        }
        EXPECT_EQ(snapshot(QFile::encodeName(music_)), before_) << "the sources stay untouched";
        EXPECT_TRUE(QDir(dir_.filePath("T/source")).isEmpty()) << "the links go after the run";
    }

    QStringList shownPaths() const {
        QStringList paths;
        for (const Source& source : kTree) {
            paths << music_ + u'/' + source.shown;
        }
        return paths;
    }

    QTemporaryDir dir_;
    QString music_;
    QString out_;
    std::map<QByteArray, std::pair<off_t, time_t>> before_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
};

TEST_F(ForeignNames, AScannedCollectionConvertsUnderReadableMirroredNames) {
    ASSERT_TRUE(settings::save(settings::ini::KeepSourceFolders, true));
    // The GBK album's cover, in a folder the tools cannot name.
    const QString cover = dir_.filePath("cover.jpg");
    ASSERT_TRUE(runTool("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i",
                                   "color=red:size=16x16", "-frames:v", "1", cover}));
    const QByteArray coverBytes = QFile::encodeName(music_) + "/\xb4\xba/cover.jpg";
    ASSERT_EQ(::rename(QFile::encodeName(cover).constData(), coverBytes.constData()), 0);
    before_ = snapshot(QFile::encodeName(music_));

    ScriptedDialogs dialogs;
    dialogs.accept(music_);
    program_->window().router()->CmdToolsBar_Click(1);
    QStringList expected = shownPaths();
    std::sort(expected.begin(), expected.end());  // the folders' own order is the view's
    QStringList listed = program_->window().fileList()->paths();
    std::sort(listed.begin(), listed.end());
    ASSERT_EQ(listed, expected);

    ASSERT_TRUE(convert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    expectReadableMp3s(true);
    // Its cover went into the MP3s and beside them, as for any album.
    const QString album = out_ + u"/Music/春/"_qs;
    EXPECT_TRUE(QFileInfo(album + "cover.jpg").isFile());
    for (const QString& mp3 : QDir(album).entryList({"*.mp3"}, QDir::Files)) {
        const QJsonObject picture = firstStream(probe(album + mp3), "video");
        EXPECT_EQ(picture.value("disposition").toObject().value("attached_pic").toInt(), 1)
            << mp3.toStdString();
    }
}

TEST_F(ForeignNames, DroppedFilesConvertUnderReadableNames) {
    QMimeData data;
    QList<QUrl> urls;
    for (const Source& source : kTree) {
        // A file manager sends the name's true bytes percent-encoded.
        const QByteArray path = QFile::encodeName(music_) + '/' + source.bytes;
        urls << QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
    }
    data.setUrls(urls);
    QWidget* viewport = program_->window().LV()->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    ASSERT_EQ(program_->window().fileList()->paths(), shownPaths());

    ASSERT_TRUE(convert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    expectReadableMp3s(false);
}

}  // namespace
