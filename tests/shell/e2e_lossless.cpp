// End to end: a folder of every kind of lossless file, scanned with "扫描时也包括其他无损格式"
// ticked, through the real window and tools: an APE image with a GBK sheet beside it, a WavPack
// image with its sheet inside, a TTA, an ALAC and a DSF file, and a lossy AAC .m4a.

#include <gtest/gtest.h>
#include <taglib/apetag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/wavpackfile.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>

#include "engine/base/apppaths.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/lumivoxini.h"
#include "shell/commandrouter.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/common/dsdfiles.h"
#include "tests/shell/e2e_support.h"
#include "tests/shell/mp3window_fixture.h"
#include "tests/shell/window_support.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

constexpr qint64 kRate = 44100;

const char* const kSheet =
    "PERFORMER \"乐队\"\r\nTITLE \"%1\"\r\nFILE \"%2\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n    TITLE \"第一首\"\r\n    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n    TITLE \"第二首\"\r\n    INDEX 01 00:21:00\r\n"
    "  TRACK 03 AUDIO\r\n    TITLE \"第三首\"\r\n    INDEX 01 00:45:30\r\n";
// The tracks' starts in samples: 21 s and 45.4 s (CD frame 30 of 75).
const qint64 kStarts[] = {0, 21 * kRate, (45 * 75 + 30) * 588};
constexpr qint64 kImageSamples = 70 * kRate;

class LosslessFolder : public lumivox::testing::Mp3WindowTest {
  protected:
    QString in(const QString& name) const { return dir_.filePath("in/" + name); }

    static qint64 samplesOf(const QString& path) {
        QProcess p;
        p.start("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-"});
        p.waitForFinished(120000);
        return p.readAllStandardOutput().size() / 4;
    }
    static QString titleOf(const QString& mp3) {
        TagLib::MPEG::File f(QFile::encodeName(mp3).constData(), false);
        return f.ID3v2Tag() ? QString::fromStdString(f.ID3v2Tag()->title().to8Bit(true))
                            : QString();
    }
};

TEST_F(LosslessFolder, EveryFormatAndImageBecomesTaggedMp3sOfTheirExactLength) {
    if (QStandardPaths::findExecutable("jmac").isEmpty()) {
        GTEST_SKIP() << "no jmac (libjmac-java) to make Monkey's Audio with";
    }
    QDir().mkpath(dir_.filePath("in"));
    const QString wav = dir_.filePath("image.wav");
    ASSERT_TRUE(runTool("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", wav, "synth", "70",
                                "pinknoise", "gain", "-10"}));
    // The APE image and its GBK sheet, naming the WAV the ripper wrote.
    ASSERT_TRUE(runTool("jmac", {"c2", wav, in("CDImage.ape")}));
    QFile cue(in("CDImage.cue"));
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    cue.write(QStringEncoder("GBK")(QString::fromUtf8(kSheet).arg("猴子专辑", "CDImage.wav")));
    cue.close();
    // The WavPack image with its sheet in its APEv2 tag.
    ASSERT_TRUE(runTool("wavpack", {"-q", "-y", wav, "-o", in("Inside.wv")}));
    {
        TagLib::WavPack::File wv(QFile::encodeName(in("Inside.wv")).constData());
        const QByteArray sheet = QString::fromUtf8(kSheet).arg("内嵌专辑", "Inside.wav").toUtf8();
        wv.APETag(true)->addValue("Cuesheet",
                                  TagLib::String(sheet.constData(), TagLib::String::UTF8));
        ASSERT_TRUE(wv.save());
    }
    // Single files: TTA and ALAC tagged by ffmpeg, a DSF with its ID3v2 tag, a lossy AAC.
    const QString noise = dir_.filePath("single.wav");
    ASSERT_TRUE(runTool("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", noise, "synth", "25",
                                "pinknoise", "gain", "-10"}));
    ASSERT_TRUE(runTool(
        "ffmpeg", {"-v", "error", "-y", "-i", noise, "-metadata", "title=TTA 曲", in("song.tta")}));
    ASSERT_TRUE(runTool("ffmpeg", {"-v", "error", "-y", "-i", noise, "-c:a", "alac", "-metadata",
                                   "title=ALAC 曲", in("song.m4a")}));
    ASSERT_TRUE(
        runTool("ffmpeg", {"-v", "error", "-y", "-i", noise, "-c:a", "aac", in("lossy.m4a")}));
    {
        TagLib::ID3v2::Tag tag;
        tag.setTitle(TagLib::String("DSF 曲", TagLib::String::UTF8));
        const TagLib::ByteVector id3 = tag.render();
        QFile dsf(in("tone.dsf"));
        ASSERT_TRUE(dsf.open(QIODevice::WriteOnly));
        dsf.write(dsfFile(2822400LL * 22, QByteArray(id3.data(), static_cast<int>(id3.size()))));
    }

    ASSERT_TRUE(settings::save(settings::ini::AllLossless, true));
    ScriptedDialogs dialogs;
    dialogs.accept(dir_.filePath("in"));
    window().router()->CmdToolsBar_Click(1);
    ASSERT_EQ(window().fileList()->FileCount(), 6)
        << window().fileList()->paths().join('\n').toStdString();

    QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
    QTest::mouseClick(window().Command3(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(600000));

    // Each image: three tracks, each exactly its span, titled from the sheet.
    for (const char* album : {"乐队 - 猴子专辑", "乐队 - 内嵌专辑"}) {
        const QDir folder(out_ + "/" + QString::fromUtf8(album));
        const QStringList names = folder.entryList({"*.mp3"}, QDir::Files, QDir::Name);
        ASSERT_EQ(names,
                  (QStringList{QStringLiteral("01 - 第一首.mp3"), QStringLiteral("02 - 第二首.mp3"),
                               QStringLiteral("03 - 第三首.mp3")}))
            << album;
        for (int k = 0; k < 3; ++k) {
            const qint64 end = k == 2 ? kImageSamples : kStarts[k + 1];
            EXPECT_EQ(samplesOf(folder.filePath(names[k])), end - kStarts[k]) << album << k;
        }
        EXPECT_EQ(titleOf(folder.filePath(names[1])), QStringLiteral("第二首"));
    }
    // Each single file: one MP3 of its length with its title.
    const struct {
        const char* stem;
        const char* title;
        qint64 samples;
    } singles[] = {{"song", "TTA 曲", 25 * kRate},
                   {"song", "ALAC 曲", 25 * kRate},
                   {"tone", "DSF 曲", 22 * kRate}};
    const QStringList mp3s = QDir(out_).entryList({"*.mp3"}, QDir::Files, QDir::Name);
    for (const auto& single : singles) {
        const QString title = QString::fromUtf8(single.title);
        const auto found = std::find_if(mp3s.begin(), mp3s.end(), [&](const QString& name) {
            return titleOf(out_ + "/" + name) == title;
        });
        ASSERT_NE(found, mp3s.end()) << single.title << " in " << mp3s.join(' ').toStdString();
        EXPECT_TRUE(found->startsWith(QString::fromLatin1(single.stem) + "_"));
        EXPECT_EQ(samplesOf(out_ + "/" + *found), single.samples) << single.title;
    }
    EXPECT_EQ(mp3s.size(), 3) << mp3s.join(' ').toStdString();
    // The lossy one is named with its reason, and the batch went on past it.
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].text.contains(in("lossy.m4a"))) << messages_[0].text.toStdString();
    EXPECT_TRUE(messages_[0].text.contains("AAC")) << messages_[0].text.toStdString();
}

}  // namespace
