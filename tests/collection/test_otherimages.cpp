// Album images of the other lossless formats: the sheet beside an APE (GBK, as most Chinese
// rips have it), the sheet inside a WavPack's APEv2 tag, and what is not an image.
#include <gtest/gtest.h>
#include <taglib/apetag.h>
#include <taglib/tfilestream.h>
#include <taglib/wavpackfile.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "collection/cueimage.h"
#include "collection/imagetracks.h"

using namespace lumivox;

namespace {

const char* const kSheet =
    "PERFORMER \"乐队\"\r\nTITLE \"专辑\"\r\nFILE \"%1\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n    TITLE \"第一首\"\r\n    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n    TITLE \"第二首\"\r\n    INDEX 01 00:10:00\r\n"
    "  TRACK 03 AUDIO\r\n    TITLE \"第三首\"\r\n    INDEX 00 00:19:50\r\n    INDEX 01 "
    "00:20:00\r\n";

class OtherImages : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // 30 s of 44.1 kHz stereo noise as `name`, by way of a WAV.
    bool make(const QString& name) {
        const QString wav = path("source.wav");
        if (!QFile::exists(wav) && !run("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", wav,
                                                "synth", "30", "pinknoise", "gain", "-10"})) {
            return false;
        }
        if (name.endsWith(".wav")) {
            return QFile::copy(wav, path(name));
        }
        if (name.endsWith(".ape")) {
            return run("jmac", {"c2", wav, path(name)});
        }
        if (name.endsWith(".wv")) {
            return run("wavpack", {"-q", "-y", wav, "-o", path(name)});
        }
        return run("ffmpeg", {"-v", "error", "-y", "-i", wav, path(name)});
    }
    static bool run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    cue::Lookup find(const QString& name) {
        return cue::findImage(path(name), cue::sheetDecoder(QString()));
    }
    static void expectThreeTracks(const cue::Lookup& found) {
        ASSERT_TRUE(found.image) << found.sheet.toStdString() << ": "
                                 << found.problem.toStdString();
        const cue::Image& image = *found.image;
        EXPECT_EQ(image.folderName, QStringLiteral("乐队 - 专辑"));
        EXPECT_EQ(image.rate, 44100);
        EXPECT_EQ(image.samples, 30 * 44100);
        ASSERT_EQ(image.tracks.size(), 3);
        EXPECT_EQ(image.tracks[1].title, QStringLiteral("第二首"));
        EXPECT_EQ(image.tracks[1].span.start, 10 * 44100);
        EXPECT_EQ(image.tracks[1].span.end, 20 * 44100);  // the pregap stays with track 2
        EXPECT_EQ(image.tracks[2].span.end, 30 * 44100);
    }

    QTemporaryDir dir_;
};

TEST_F(OtherImages, AnApeImageWithAGbkSheetBesideIt) {
    if (QStandardPaths::findExecutable("jmac").isEmpty()) {
        GTEST_SKIP() << "no jmac (libjmac-java) to make Monkey's Audio with";
    }
    ASSERT_TRUE(make("CDImage.ape"));
    write("CDImage.cue", QStringEncoder("GBK")(QString::fromUtf8(kSheet).arg("CDImage.wav")));
    const cue::Lookup found = find("CDImage.ape");
    EXPECT_EQ(found.sheet, path("CDImage.cue"));
    expectThreeTracks(found);
}

// Each format a sheet beside it can name, by the stem the ripper gave it.
TEST_F(OtherImages, EveryImageFormatTakesTheSheetBesideIt) {
    for (const char* name : {"image.wv", "image.tta", "image.wav"}) {
        const QString file = QString::fromLatin1(name);
        ASSERT_TRUE(make(file)) << name;
        write("image.cue", QStringEncoder("GBK")(QString::fromUtf8(kSheet).arg("image.flac")));
        expectThreeTracks(find(file));
        QFile::remove(path(file));
    }
}

TEST_F(OtherImages, AWavPackImageWithItsSheetInside) {
    ASSERT_TRUE(make("inside.wv"));
    {
        TagLib::WavPack::File wv(QFile::encodeName(path("inside.wv")).constData());
        wv.APETag(true)->addValue(
            "Cuesheet",
            TagLib::String(QString::fromUtf8(kSheet).arg("inside.wav").toUtf8().constData(),
                           TagLib::String::UTF8));
        ASSERT_TRUE(wv.save());
    }
    const cue::Lookup found = find("inside.wv");
    EXPECT_EQ(found.sheet, path("inside.wv") + " (CUESHEET)");
    expectThreeTracks(found);

    // A sheet inside whose index lies past the end is named, and the file converts whole.
    {
        TagLib::WavPack::File wv(QFile::encodeName(path("inside.wv")).constData());
        wv.APETag()->addValue("Cuesheet",
                              "FILE \"x.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                              "TRACK 02 AUDIO\nINDEX 01 09:00:00\n");
        ASSERT_TRUE(wv.save());
    }
    const cue::Lookup bad = find("inside.wv");
    EXPECT_FALSE(bad.image);
    EXPECT_FALSE(bad.problem.isEmpty());
}

TEST_F(OtherImages, AFileWithoutASheetIsNoImage) {
    ASSERT_TRUE(make("single.wv"));
    ASSERT_TRUE(make("single.m4a"));
    EXPECT_TRUE(find("single.wv").sheet.isEmpty());
    EXPECT_FALSE(find("single.wv").image);
    EXPECT_FALSE(find("single.m4a").image);
}

}  // namespace
