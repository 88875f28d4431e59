// End to end: an album image with its CUE sheet through the real window and tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include "engine/base/apppaths.h"
#include "engine/batch/conversionbatch.h"
#include "engine/run/dosoutputs.h"
#include "filelist/filelistmodel.h"
#include "settings/lumivoxini.h"
#include "shell/commandrouter.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"
#include "tests/shell/mp3window_fixture.h"
#include "tests/shell/window_support.h"

using namespace lumivox;
using namespace lumivox::testing;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kRate = 44100;
constexpr qint64 kImageSamples = kRate * 70 + 123;  // not a whole CD frame: the last track ends odd

// The tracks' INDEX 01 in CD frames; track 2 has a pregap from 00:24:00.
const qint64 kStarts[] = {0, (25 * 75 + 30), (50 * 75 + 7)};
const char* const kTitles[] = {"春", "月亮代表我的心", "夜/曲"};

class CueImage : public lumivox::testing::Mp3WindowTest {
  protected:
    // Converts the image and a FLAC with a bad sheet through the window and checks the tracks.
    void expectImageSplit();

    // A sound that differs all along, so a track cut in the wrong place would not match.
    bool makeImage(const QString& path) {
        return runTool(
            "ffmpeg",
            {"-v", "error", "-y", "-f", "lavfi", "-i",
             "aevalsrc=exprs='0.3*sin(2*PI*(200+20*t)*t)|0.3*sin(2*PI*(300+10*t)*t)':s=44100:d=71",
             "-af", QStringLiteral("atrim=end_sample=%1").arg(kImageSamples), "-sample_fmt", "s16",
             "-metadata", "GENRE=FromFlac", path});
    }
    // CDImage.flac and its sheet in GB18030, in the folder "in".
    QString makeImageWithSheet() {
        const QString image = dir_.filePath("in/CDImage.flac");
        QDir().mkpath(dir_.filePath("in"));
        if (!makeImage(image)) {
            return {};
        }
        const QString sheet =
            QStringLiteral(
                "REM GENRE Pop\r\nREM DATE 1977\r\nPERFORMER \"邓丽君\"\r\n"
                "TITLE \"岛国之情歌\"\r\nFILE \"CDImage.wav\" WAVE\r\n"
                "  TRACK 01 AUDIO\r\n    TITLE \"%1\"\r\n    INDEX 01 00:00:00\r\n"
                "  TRACK 02 AUDIO\r\n    TITLE \"%2\"\r\n    INDEX 00 00:24:00\r\n"
                "    INDEX 01 00:25:30\r\n"
                "  TRACK 03 AUDIO\r\n    TITLE \"%3\"\r\n    PERFORMER \"客人\"\r\n"
                "    INDEX 01 00:50:07\r\n")
                .arg(QString::fromUtf8(kTitles[0]), QString::fromUtf8(kTitles[1]),
                     QString::fromUtf8(kTitles[2]));
        QFile cue(dir_.filePath("in/CDImage.cue"));
        if (!cue.open(QIODevice::WriteOnly)) {
            return {};
        }
        cue.write(QStringEncoder("GB18030")(sheet));
        cue.close();
        return image;
    }
    static std::vector<short> samples(const QString& path, const QStringList& filter = {}) {
        QProcess p;
        p.start("ffmpeg",
                QStringList{"-v", "error", "-i", path} + filter + QStringList{"-f", "s16le", "-"});
        p.waitForFinished(120000);
        const QByteArray raw = p.readAllStandardOutput();
        std::vector<short> pcm(static_cast<std::size_t>(raw.size()) / 2);
        std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
        return pcm;
    }
};

void CueImage::expectImageSplit() {
    const QString image = makeImageWithSheet();
    ASSERT_FALSE(image.isEmpty());
    // A FLAC whose sheet is of no use converts whole, and the message says why.
    const QString bad = dir_.filePath("in/bad.flac");
    ASSERT_TRUE(makeFlac(bad, 2.0));
    QFile badCue(dir_.filePath("in/bad.cue"));
    ASSERT_TRUE(badCue.open(QIODevice::WriteOnly));
    badCue.write(
        "FILE bad.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        "TRACK 02 AUDIO\nINDEX 01 00:09:00\n");
    badCue.close();
    ASSERT_TRUE(settings::load(settings::ini::CueSplit)) << "ticked by default";
    ASSERT_TRUE(window().fileList()->AddFileEntry(image));
    ASSERT_TRUE(window().fileList()->AddFileEntry(bad));

    // What the window shows while it runs, and how many tracks were written then.
    QList<QPair<int, QString>> seen;
    QList<QPair<QString, qsizetype>> written;
    const QString folder = out_ + QStringLiteral("/邓丽君 - 岛国之情歌/");
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        seen.append({window().fileList()->FileCount(), window().lblPB()->text()});
        written.append(
            {window().lblPB()->text(), QDir(folder).entryList({"*.mp3"}, QDir::Files).size()});
    });
    watch.start(20);
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(300000));
    watch.stop();

    EXPECT_EQ(window().fileList()->FileCount(), 0);
    // The image stays one row while its tracks are written; the caption names each track.
    for (int k = 0; k < 3; ++k) {
        const QString named = QStringLiteral("0%1 - ").arg(k + 1);
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const auto& s) {
            return s.second.startsWith(named);
        })) << k;
        for (const auto& s : seen) {
            if (s.second.startsWith(named) && !s.second.contains(QStringLiteral("完成"))) {
                EXPECT_EQ(s.first, 2) << s.second.toStdString();
            }
        }
    }
    // A track's progress counts from its own start: it is done only once it is written.
    for (const auto& [caption, count] : written) {
        for (int k = 0; k < 3; ++k) {
            if (caption.startsWith(QStringLiteral("0%1 - ").arg(k + 1)) &&
                caption.contains(QStringLiteral("完成"))) {
                EXPECT_GE(count, k + 1) << caption.toStdString();
            }
        }
    }
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].text.contains(dir_.filePath("in/bad.cue")))
        << messages_[0].text.toStdString();
    EXPECT_EQ(QDir(out_).entryList({"bad_*.mp3"}, QDir::Files).size(), 1);

    const QStringList names = QDir(folder).entryList({"*.mp3"}, QDir::Files, QDir::Name);
    ASSERT_EQ(names,
              (QStringList{QStringLiteral("01 - 春.mp3"), QStringLiteral("02 - 月亮代表我的心.mp3"),
                           QStringLiteral("03 - 夜_曲.mp3")}));

    // Each track is its span of the image, to the sample; together they are the image.
    const std::vector<short> whole = samples(image);
    ASSERT_EQ(whole.size(), static_cast<std::size_t>(kImageSamples * 2));
    std::size_t sum = 0;
    for (int k = 0; k < 3; ++k) {
        const qint64 from = kStarts[k] == 0 ? 0 : kStarts[k] * 588;
        const qint64 to = k == 2 ? kImageSamples : kStarts[k + 1] * 588;
        const std::vector<short> track = samples(folder + names[k]);
        EXPECT_EQ(track.size(), static_cast<std::size_t>((to - from) * 2)) << k;
        sum += track.size();
        // The middle of the track is the image's audio there, give or take the MP3's loss.
        const std::size_t mid = track.size() / 2 & ~std::size_t{1};
        double signal = 0, noise = 0;
        for (std::size_t i = mid; i < mid + 4608 && i < track.size(); ++i) {
            const double s = whole[static_cast<std::size_t>(from * 2) + i];
            signal += s * s;
            noise += (s - track[i]) * (s - track[i]);
        }
        EXPECT_GT(10 * std::log10(signal / std::max(noise, 1.0)), 15.0) << k;
    }
    EXPECT_EQ(sum, whole.size());

    // The tags as another reader sees them.
    QProcess dump;
    dump.start("/usr/bin/python3",
               {QStringLiteral(LUMIVOX_SOURCE_DIR) + "/tests/tools/id3dump.py", folder + names[2]});
    ASSERT_TRUE(dump.waitForFinished(60000));
    const QJsonObject frames =
        QJsonDocument::fromJson(dump.readAllStandardOutput()).object().value("frames").toObject();
    auto text = [&](const char* id) {
        return frames.value(QLatin1String(id)).toArray().first().toString();
    };
    EXPECT_EQ(text("TIT2"), QString::fromUtf8(kTitles[2]));
    EXPECT_EQ(text("TPE1"), QStringLiteral("客人"));
    EXPECT_EQ(text("TPE2"), QStringLiteral("邓丽君"));
    EXPECT_EQ(text("TALB"), QStringLiteral("岛国之情歌"));
    EXPECT_EQ(text("TRCK"), "3/3");
    EXPECT_EQ(text("TCON"), "Pop");
    EXPECT_FALSE(frames.contains("TXXX:CUESHEET"));
}

TEST_F(CueImage, AnImageWithAGb18030SheetBecomesOneTaggedMp3PerTrack) {
    expectImageSplit();
}

TEST_F(CueImage, PlainFfmpegCutsAndTagsTheTracksAlike) {
    qputenv("LUMIVOX_PARALLEL", "0");
    expectImageSplit();
    qunsetenv("LUMIVOX_PARALLEL");
}

TEST_F(CueImage, AStopDuringTheTracksKeepsTheFinishedOnesOnly) {
    const QString image = makeImageWithSheet();
    ASSERT_FALSE(image.isEmpty());
    ASSERT_TRUE(window().fileList()->AddFileEntry(image));
    bool stopped = false;
    QObject::connect(&program_->batch().objffmpeg, &DOSOutputs::ReceiveOutputs, [&](QString& text) {
        // At once, while track 2 is the run: a click queued for later could come after its end.
        if (!stopped && text.contains("time=") && window().lblPB()->text().startsWith("02 - ")) {
            stopped = true;
            QTest::mouseClick(window().cmdStop(), Qt::LeftButton);
        }
    });
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(300000));
    ASSERT_TRUE(stopped);
    const QString folder = out_ + QStringLiteral("/邓丽君 - 岛国之情歌/");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("01 - 春.mp3")});
    EXPECT_EQ(samples(folder + QStringLiteral("01 - 春.mp3")).size(),
              static_cast<std::size_t>(kStarts[1] * 588 * 2));
    EXPECT_EQ(window().fileList()->FileCount(), 1) << "the image stays listed";
}

// Two discs of one album, each in its own folder with a GBK sheet, GBK file names and its own
// cover, scanned with the source folders kept: one album folder, "1-01 - ..." and "2-01 - ...".
TEST_F(CueImage, TwoDiscsWithGbkNamesBecomeOneAlbumFolder) {
    ASSERT_TRUE(settings::save(settings::ini::KeepSourceFolders, true));
    QStringEncoder gbk("GB18030");
    const QByteArray music = QFile::encodeName(dir_.filePath("Music"));
    const QByteArray album = music + '/' + QByteArray(gbk(QStringLiteral("精选集")));
    const QString titles[2][2] = {{QStringLiteral("春"), QStringLiteral("月亮代表我的心")},
                                  {QStringLiteral("秋"), QStringLiteral("小城故事")}};
    for (int disc = 1; disc <= 2; ++disc) {
        const QByteArray folder = album + "/CD" + QByteArray::number(disc);
        ASSERT_EQ(::mkdir(music.constData(), 0700) == 0 || errno == EEXIST, true);
        ASSERT_EQ(::mkdir(album.constData(), 0700) == 0 || errno == EEXIST, true);
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        const QByteArray stem = gbk(QStringLiteral("邓丽君 - 精选 光盘%1").arg(disc));
        const QString made = dir_.filePath("made.flac");
        ASSERT_TRUE(makeImage(made));
        ASSERT_EQ(::rename(QFile::encodeName(made).constData(),
                           (folder + '/' + stem + ".flac").constData()),
                  0);
        const QString sheet =
            QStringLiteral(
                "REM DISCNUMBER %1\r\nREM TOTALDISCS 2\r\nPERFORMER \"邓丽君\"\r\n"
                "TITLE \"精选\"\r\nFILE \"%2.wav\" WAVE\r\n"
                "  TRACK 01 AUDIO\r\n    TITLE \"%3\"\r\n    INDEX 01 00:00:00\r\n"
                "  TRACK 02 AUDIO\r\n    TITLE \"%4\"\r\n    INDEX 01 00:25:30\r\n")
                .arg(disc)
                .arg(QStringLiteral("邓丽君 - 精选 光盘%1").arg(disc), titles[disc - 1][0],
                     titles[disc - 1][1]);
        const QByteArray sheetBytes = gbk(sheet);
        FILE* cue = std::fopen((folder + '/' + stem + ".cue").constData(), "wb");
        ASSERT_TRUE(cue);
        std::fwrite(sheetBytes.constData(), 1, static_cast<std::size_t>(sheetBytes.size()), cue);
        std::fclose(cue);
        const QString cover = dir_.filePath("cover.jpg");
        ASSERT_TRUE(runTool("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                       disc == 1 ? "color=red:size=16x16" : "color=blue:size=16x16",
                                       "-frames:v", "1", cover}));
        ASSERT_EQ(
            ::rename(QFile::encodeName(cover).constData(), (folder + "/cover.jpg").constData()), 0);
    }

    ScriptedDialogs dialogs;
    dialogs.accept(dir_.filePath("Music"));
    program_->window().router()->CmdToolsBar_Click(1);
    ASSERT_EQ(window().fileList()->FileCount(), 2);
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(300000));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();

    const QString folder = out_ + QStringLiteral("/Music/精选集/邓丽君 - 精选/");
    EXPECT_EQ(QDir(folder).entryList({"*.mp3"}, QDir::Files, QDir::Name),
              (QStringList{u"1-01 - 春.mp3"_s, u"1-02 - 月亮代表我的心.mp3"_s, u"2-01 - 秋.mp3"_s,
                           u"2-02 - 小城故事.mp3"_s}));
    EXPECT_EQ(QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Name),
              (QStringList{u"cover (disc 1).jpg"_s, u"cover (disc 2).jpg"_s, u"cover.jpg"_s}));
    // Each track exactly its span of its disc.
    EXPECT_EQ(samples(folder + u"2-01 - 秋.mp3"_s).size(),
              static_cast<std::size_t>(kStarts[1] * 588 * 2));
    EXPECT_EQ(samples(folder + u"1-02 - 月亮代表我的心.mp3"_s).size(),
              static_cast<std::size_t>((kImageSamples - kStarts[1] * 588) * 2));
    // QTemporaryDir cannot name what is not UTF-8.
    QProcess::execute("rm", {"-rf", dir_.filePath("Music")});
}

// A rip of one file per track with untagged FLACs gets its titles and n/total from the sheet (a
// data track not counted); a sheet whose INDEX does not read converts whole and is named.
TEST_F(CueImage, OneFilePerTrackIsTaggedAndABrokenSheetIsNamed) {
    QDir().mkpath(dir_.filePath("in"));
    ASSERT_TRUE(makeFlac(dir_.filePath("in/01 - A.flac"), 3.0));
    ASSERT_TRUE(makeFlac(dir_.filePath("in/02 - B.flac"), 3.0));
    ASSERT_TRUE(makeFlac(dir_.filePath("in/broken.flac"), 3.0));
    auto write = [&](const char* name, const QByteArray& text) {
        QFile f(dir_.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("in/album.cue",
          "PERFORMER \"Band\"\r\nTITLE \"LP\"\r\nFILE \"01 - A.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
          "    TITLE \"Alpha\"\r\n    INDEX 01 00:00:00\r\nFILE \"02 - B.wav\" WAVE\r\n"
          "  TRACK 02 AUDIO\r\n    TITLE \"Beta\"\r\n    INDEX 01 00:00:00\r\n"
          "FILE \"data.bin\" BINARY\r\n  TRACK 03 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    write("in/broken.cue",
          "FILE broken.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
          "TRACK 02 AUDIO\nINDEX 01 0:1\n");
    for (const char* name : {"in/01 - A.flac", "in/02 - B.flac", "in/broken.flac"}) {
        ASSERT_TRUE(window().fileList()->AddFileEntry(dir_.filePath(QLatin1String(name))));
    }
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(300000));

    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].text.contains(dir_.filePath("in/broken.cue")) &&
                messages_[0].text.contains(QStringLiteral("INDEX")))
        << messages_[0].text.toStdString();
    EXPECT_EQ(QDir(out_).entryList({"broken_*.mp3"}, QDir::Files).size(), 1);
    const QString folder = out_ + QStringLiteral("/Band - LP/");
    const QStringList names = QDir(folder).entryList({"*.mp3"}, QDir::Files, QDir::Name);
    ASSERT_EQ(names, (QStringList{u"01 - Alpha.mp3"_s, u"02 - Beta.mp3"_s}));
    for (int k = 0; k < 2; ++k) {
        QProcess dump;
        dump.start(
            "/usr/bin/python3",
            {QStringLiteral(LUMIVOX_SOURCE_DIR) + "/tests/tools/id3dump.py", folder + names[k]});
        ASSERT_TRUE(dump.waitForFinished(60000));
        const QJsonObject frames = QJsonDocument::fromJson(dump.readAllStandardOutput())
                                       .object()
                                       .value("frames")
                                       .toObject();
        EXPECT_EQ(frames.value("TRCK").toArray().first().toString(),
                  QStringLiteral("%1/2").arg(k + 1));
        EXPECT_EQ(frames.value("TALB").toArray().first().toString(), u"LP"_s);
    }
}

}  // namespace
