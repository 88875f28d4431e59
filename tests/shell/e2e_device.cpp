// End to end: an album for the phone and the car, through the real window and tools: V2, covers
// of 500 pixels, album loudness and names a FAT32 card takes.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

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

using namespace lumivox;
using namespace lumivox::testing;

namespace {

// Integrated loudness and true peak (dBTP) of the files played one after another, by ffmpeg.
std::pair<double, double> loudnessOf(const QStringList& files) {
    QStringList args{"-nostats"};
    QString inputs;
    for (const QString& f : files) {
        inputs += QStringLiteral("[%1:a]").arg(args.size() / 2);
        args << "-i" << f;
    }
    args << "-filter_complex"
         << inputs + QStringLiteral("concat=n=%1:v=0:a=1,ebur128=peak=true").arg(files.size())
         << "-f"
         << "null"
         << "-";
    QString out;
    EXPECT_TRUE(runTool("ffmpeg", args, &out));
    // The summary's figures are the last of each.
    const auto last = [&out](const QString& pattern) {
        QString value;
        for (auto it = QRegularExpression(pattern).globalMatch(out); it.hasNext();) {
            value = it.next().captured(1);
        }
        return value.toDouble();
    };
    return {last(R"(I:\s+(-?[\d.]+) LUFS)"), last(R"(Peak:\s+(-?[\d.]+) dBFS)")};
}

qint64 samplesOf(const QString& file) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", file, "-f", "s16le", "-ac", "1", "-"});
    p.waitForFinished(60000);
    return p.readAllStandardOutput().size() / 2;
}

class DeviceAlbum : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        useProgramFolderIn(dir_);
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        music_ = dir_.filePath("Music");
        album_ = music_ + QStringLiteral("/AC:DC?/Back \"in\" Black. ");
        ASSERT_TRUE(QDir().mkpath(album_));
        // Two tracks of different loudness, and names a card refuses or that meet on one.
        const QString sound =
            "aevalsrc=exprs='%1*(0.5*sin(2*PI*(200+150*t)*t)+0.4*sin(2*PI*660*t)*lt(mod(t,0.7),"
            "0.3))|%1*(0.8*(random(0)-0.5)*lt(mod(t,1.1),0.4)+0.3*sin(2*PI*110*t))':s=44100:d=22";
        for (const auto& [name, level] : {std::pair{"01: Hells? Bells*.flac", "0.9"},
                                          {"con.flac", "0.2"},
                                          {"Song.flac", "0.4"},
                                          {"song.flac", "0.5"}}) {
            ASSERT_TRUE(runTool(
                "ffmpeg",
                {"-v", "error", "-y", "-f", "lavfi", "-i", sound.arg(level), "-sample_fmt", "s16",
                 "-metadata", QStringLiteral("title=%1").arg(name), album_ + '/' + name}));
        }
        ASSERT_TRUE(runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=1500x1500",
                                       "-frames:v", "1", album_ + "/cover.png"}));
        ASSERT_TRUE(settings::save(settings::ini::KeepSourceFolders, true));
        ASSERT_TRUE(settings::save(settings::ini::Mp3Mode, "V2"));
        ASSERT_TRUE(settings::save(settings::ini::CoverMaxSize, "500"));
        ASSERT_TRUE(settings::save(settings::ini::ReplayGain, "album"));
        ASSERT_TRUE(settings::save(settings::ini::FatNames, true));
        program_ = std::make_unique<MainProgram>();
        out_ = dir_.filePath("out");
        program_->window().txtPath()->setText(out_);
        program_->window().formatBoxes()->selectFormat(8);  // MP3
    }
    void TearDown() override {
        program_.reset();
        restoreProgramSeams();
    }

    QTemporaryDir dir_;
    QString music_;
    QString album_;
    QString out_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
};

TEST_F(DeviceAlbum, ComesOutReadyForTheCar) {
    ScriptedDialogs dialogs;
    dialogs.accept(music_);
    program_->window().router()->CmdToolsBar_Click(1);
    ASSERT_EQ(program_->window().fileList()->paths().size(), 4);
    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(program_->window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(300000));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();

    QStringList mp3s;
    for (QDirIterator it(out_, QDir::AllEntries | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const QString relative = QDir(out_).relativeFilePath(path);
        // Every name a FAT32 card takes, the whole path under 240 from the output folder.
        EXPECT_LT(relative.size(), 240) << relative.toStdString();
        for (const QString& name : relative.split(u'/')) {
            EXPECT_FALSE(name.contains(QRegularExpression(R"([\x00-\x1f"*:<>?\\|])")))
                << name.toStdString();
            EXPECT_FALSE(name.endsWith(u'.') || name.endsWith(u' ')) << name.toStdString();
            EXPECT_FALSE(QRegularExpression(R"(^(con|prn|aux|nul|com\d|lpt\d)(\..*)?$)",
                                            QRegularExpression::CaseInsensitiveOption)
                             .match(name)
                             .hasMatch())
                << name.toStdString();
        }
        if (path.endsWith(".mp3")) {
            mp3s << path;
        }
    }
    // "Song" and "song" meet on a card that ignores case: neither is lost.
    ASSERT_EQ(mp3s.size(), 4) << mp3s.join('\n').toStdString();
    QStringList lower;
    for (const QString& m : mp3s) {
        lower << QFileInfo(m).fileName().toLower();
    }
    lower.removeDuplicates();
    EXPECT_EQ(lower.size(), 4);

    for (const QString& mp3 : mp3s) {
        SCOPED_TRACE(mp3.toStdString());
        // VBR with the source's exact length, at the rate the window's box asks for.
        QFile f(mp3);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const auto u = [&](int i) { return static_cast<int>(static_cast<uchar>(bytes[i])); };
        const int audio = 10 + (u(6) << 21 | u(7) << 14 | u(8) << 7 | u(9));
        EXPECT_EQ(bytes.mid(audio + 36, 4), "Xing");
        const int rate = firstStream(probe(mp3), "audio").value("sample_rate").toString().toInt();
        EXPECT_EQ(samplesOf(mp3), 22 * rate);
        // The cover: a baseline JPEG of 500 pixels.
        const QJsonObject picture = firstStream(probe(mp3), "video");
        EXPECT_EQ(picture.value("codec_name").toString(), "mjpeg");
        EXPECT_EQ(picture.value("width").toInt(), 500);
        EXPECT_EQ(picture.value("height").toInt(), 500);
        // The tags keep the source's characters.
        const QString title = probe(mp3)
                                  .value("format")
                                  .toObject()
                                  .value("tags")
                                  .toObject()
                                  .value("title")
                                  .toString();
        EXPECT_TRUE(title.endsWith(".flac")) << title.toStdString();
    }
    // The copied cover file stays as it was.
    const QStringList covers = QDir(QFileInfo(mp3s.first()).path()).entryList({"cover.png"});
    ASSERT_EQ(covers.size(), 1);
    QFile copied(QFileInfo(mp3s.first()).path() + "/cover.png"), source(album_ + "/cover.png");
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copied.readAll() == source.readAll());

    // One gain for the album: it plays at -18 LUFS within 1 LU, no true peak over -1 dBTP.
    const auto [lufs, peak] = loudnessOf(mp3s);
    EXPECT_NEAR(lufs, -18, 1.0);
    EXPECT_LE(peak, -1 + 0.5);  // the MP3 itself may overshoot a little
}

}  // namespace
