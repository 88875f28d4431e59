// CUE sheets as rippers and other tools write them, and the FLACs they belong to.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "collection/cueimage.h"
#include "collection/cuesheet.h"
#include "collection/imagetracks.h"

using namespace lumivox;

namespace {

QByteArray encoded(const QString& text, const char* name) {
    QStringEncoder encoder(name);
    return encoder(text);
}

const char* const kTwoTracks =
    "PERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"image.wav\" WAVE\n"
    "  TRACK 01 AUDIO\n    TITLE \"%1\"\n    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 01 00:10:00\n";

QString sheetWithTitle(const QString& title) {
    return QString::fromUtf8(kTwoTracks).arg(title);
}

TEST(CueSheet, ReadsKeywordsInAnyCaseQuotedOrNot) {
    const QString text = QStringLiteral(
        "rem DATE 1999\r\nREM GENRE \"Folk Rock\"\r\nrem comment \"ExactAudioCopy v1.0\"\r\n"
        "REM DISCNUMBER 2\r\nREM TOTALDISCS 3\r\nperformer Some Band\r\ntitle \"Best Of\"\r\n"
        "songwriter \"Writer\"\r\nfile \"Some Band - Best Of.wav\" wave\r\n"
        "  track 01 audio\r\n    title First Song\r\n    performer \"Guest\"\r\n"
        "    isrc USRC17607839\r\n    index 01 00:00:00\r\n");
    QString why;
    const auto sheet = cue::parseSheet(text, &why);
    ASSERT_TRUE(sheet) << why.toStdString();
    EXPECT_EQ(sheet->date, "1999");
    EXPECT_EQ(sheet->genre, "Folk Rock");
    EXPECT_EQ(sheet->comment, "ExactAudioCopy v1.0");
    EXPECT_EQ(sheet->discNumber, "2");
    EXPECT_EQ(sheet->totalDiscs, "3");
    EXPECT_EQ(sheet->performer, "Some Band");
    EXPECT_EQ(sheet->title, "Best Of");
    EXPECT_EQ(sheet->songwriter, "Writer");
    ASSERT_EQ(sheet->files.size(), 1);
    EXPECT_EQ(sheet->files[0].name, "Some Band - Best Of.wav");
    ASSERT_EQ(sheet->files[0].tracks.size(), 1);
    const cue::Track& t = sheet->files[0].tracks[0];
    EXPECT_EQ(t.title, "First Song");
    EXPECT_EQ(t.performer, "Guest");
    EXPECT_EQ(t.isrc, "USRC17607839");
}

// Short titles in the code pages such sheets come in, guessed from the whole sheet, and read in
// the code page the user chose.
TEST(CueSheet, ReadsTheSheetsCodePage) {
    struct Case {
        const char* title;
        const char* codePage;  // as the options show it
        const char* icu;
    };
    const Case cases[] = {
        {"春", "GB18030", "GB18030"},         {"月亮代表我的心", "GB18030", "GB18030"},
        {"夜來香", "Big5", "Big5"},           {"桜", "Shift-JIS", "Shift_JIS"},
        {"さくら", "Shift-JIS", "Shift_JIS"}, {"Кино", "Windows-1251", "windows-1251"},
        {"바람", "EUC-KR", "EUC-KR"},
    };
    for (const Case& c : cases) {
        const QString title = QString::fromUtf8(c.title);
        const QByteArray bytes = encoded(sheetWithTitle(title), c.icu);
        for (const QString& chosen : {QString(), QString::fromLatin1(c.codePage)}) {
            const auto text = cue::decodeSheet(bytes, cue::sheetDecoder(chosen));
            ASSERT_TRUE(text) << c.codePage;
            const auto sheet = cue::parseSheet(*text);
            ASSERT_TRUE(sheet) << c.codePage;
            EXPECT_EQ(sheet->files[0].tracks[0].title, title)
                << c.title << (chosen.isEmpty() ? " guessed" : " chosen");
        }
    }
}

TEST(CueSheet, ReadsUnicodeWithAndWithoutAMark) {
    const QString title = QStringLiteral("夜來香");
    const QByteArray utf8 = sheetWithTitle(title).toUtf8();
    QByteArray utf16le("\xFF\xFE");
    utf16le += encoded(sheetWithTitle(title), "UTF-16LE");
    QByteArray utf16be("\xFE\xFF");
    utf16be += encoded(sheetWithTitle(title), "UTF-16BE");
    // No fallback: these must never need one.
    for (const QByteArray& bytes : {utf8, QByteArray("\xEF\xBB\xBF") + utf8, utf16le, utf16be}) {
        const auto text = cue::decodeSheet(bytes, nullptr);
        ASSERT_TRUE(text);
        const auto sheet = cue::parseSheet(*text);
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->performer, "Band");  // a mark left in would spoil the first keyword
        EXPECT_EQ(sheet->files[0].tracks[0].title, title);
    }
}

TEST(CueSheet, APregapStaysWithTheTrackBeforeAndTheSpansCoverTheImage) {
    const auto sheet =
        cue::parseSheet(QStringLiteral("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:02:00\n"
                                       "TRACK 02 AUDIO\nINDEX 00 03:58:20\nINDEX 01 04:00:00\n"
                                       "TRACK 03 AUDIO\nINDEX 01 07:30:74\n"));
    ASSERT_TRUE(sheet);
    const qint64 total = 44100LL * 600 + 17;
    const auto spans = cue::trackSpans(sheet->files[0].tracks, 44100, total);
    ASSERT_TRUE(spans);
    ASSERT_EQ(spans->size(), 3);
    // The first track from the file's start, each cut at INDEX 01, 588 samples a CD frame.
    EXPECT_EQ((*spans)[0].start, 0);
    EXPECT_EQ((*spans)[0].end, 240 * 44100);
    EXPECT_EQ((*spans)[1].start, 240 * 44100);
    EXPECT_EQ((*spans)[1].end, (450 * 75 + 74) * 588);
    EXPECT_EQ((*spans)[2].end, total);
    qint64 sum = 0;
    for (const cue::Span& s : *spans) {
        sum += s.end - s.start;
    }
    EXPECT_EQ(sum, total);
    // 48 kHz: 640 samples a frame.
    EXPECT_EQ(cue::trackSpans(sheet->files[0].tracks, 48000, 48000LL * 600)->at(2).start,
              (450 * 75 + 74) * 640);
}

TEST(CueSheet, SeveralFilesGiveEachFileItsOwnTracks) {
    const auto sheet = cue::parseSheet(QStringLiteral(
        "FILE \"Side A.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        "TRACK 02 AUDIO\nINDEX 01 03:00:00\nTRACK 03 AUDIO\nINDEX 00 09:00:00\n"
        "FILE \"Side B.flac\" WAVE\nINDEX 01 00:00:00\nTRACK 04 AUDIO\nINDEX 01 05:00:00\n"));
    ASSERT_TRUE(sheet);
    ASSERT_EQ(sheet->files.size(), 2);
    // Track 3's pregap closes side A; the track itself starts side B.
    ASSERT_EQ(sheet->files[0].tracks.size(), 2);
    ASSERT_EQ(sheet->files[1].tracks.size(), 2);
    EXPECT_EQ(sheet->files[1].tracks[0].number, 3);
    const auto image =
        cue::imageFromSheet(*sheet, QStringLiteral("side b.flac"), 44100, 44100LL * 600, nullptr);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->tracks.size(), 2);
    EXPECT_EQ(image->tracks[0].number, 3);
    EXPECT_EQ(image->tracks[1].span.start, 300 * 44100);
    EXPECT_FALSE(
        cue::imageFromSheet(*sheet, QStringLiteral("Side C.flac"), 44100, 44100LL * 600, nullptr));
}

TEST(CueSheet, BadSheetsAreRefusedWithAReason) {
    struct Case {
        const char* text;
        qint64 seconds;
    };
    const Case cases[] = {
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 09:00:00\n",
         60},  // past the end
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:30:00\nTRACK 02 AUDIO\nINDEX 01 00:20:00\n",
         60},  // out of order
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 00 00:30:00\nINDEX 01 00:20:00\n", 60},
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE x\n", 60},  // no INDEX 01
        {"FILE a.wav WAVE\nREM nothing\n", 60},              // no tracks
        {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:75:00\n", 60},
        {"\x89PNG\r\n\x1a\n\x01\x02garbage ! ~~", 60},
    };
    for (const Case& c : cases) {
        QString why;
        const auto sheet = cue::parseSheet(QString::fromLatin1(c.text), &why);
        const auto image = sheet ? cue::imageFromSheet(*sheet, QStringLiteral("a.flac"), 44100,
                                                       44100 * c.seconds, &why)
                                 : std::nullopt;
        EXPECT_FALSE(image) << c.text;
        EXPECT_FALSE(why.isEmpty()) << c.text;
    }
}

TEST(CueSheet, TracksAreTaggedFromTheSheet) {
    const auto sheet = cue::parseSheet(
        QStringLiteral("REM DATE 2001\nPERFORMER \"Band\"\nTITLE \"Album\"\nFILE x.wav WAVE\n"
                       "TRACK 01 AUDIO\nTITLE \"One\"\nSONGWRITER \"W\"\nINDEX 01 00:00:00\n"
                       "TRACK 02 AUDIO\nPERFORMER \"Guest\"\nINDEX 01 00:10:00\n"));
    ASSERT_TRUE(sheet);
    const auto image =
        cue::imageFromSheet(*sheet, QStringLiteral("x.flac"), 44100, 44100 * 60, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->folderName, "Band - Album");
    using Tags = QList<QPair<QString, QString>>;
    EXPECT_EQ(image->tracks[0].tags, (Tags{{"TITLE", "One"},
                                           {"ARTIST", "Band"},
                                           {"COMPOSER", "W"},
                                           {"ALBUM", "Album"},
                                           {"ALBUMARTIST", "Band"},
                                           {"DATE", "2001"},
                                           {"TRACKNUMBER", "1"},
                                           {"TRACKTOTAL", "2"},
                                           {"CUESHEET", ""}}));
    EXPECT_EQ(image->tracks[1].title, "Track 02");
    EXPECT_TRUE(image->tracks[1].tags.contains(QPair<QString, QString>("ARTIST", "Guest")));
}

// FLACs on disk and the sheets that belong to them.
class CueFiles : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    bool makeFlac(const QString& name, double seconds, const QStringList& metadata = {}) {
        QStringList args{"-hide_banner", "-loglevel",
                         "error",        "-y",
                         "-f",           "lavfi",
                         "-i",           QStringLiteral("anullsrc=r=44100:cl=stereo"),
                         "-t",           QString::number(seconds),
                         "-sample_fmt",  "s16"};
        for (const QString& pair : metadata) {
            args << "-metadata" << pair;
        }
        return run("ffmpeg", args << path(name));
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
    cue::Lookup find(const QString& name) { return cue::findImage(path(name), nullptr); }

    QTemporaryDir dir_;
};

TEST_F(CueFiles, FindsTheSheetBesideTheFlac) {
    ASSERT_TRUE(makeFlac("Album.flac", 30));
    ASSERT_TRUE(makeFlac("Other.flac", 30));
    ASSERT_TRUE(makeFlac("CDImage.flac", 30));
    ASSERT_TRUE(makeFlac("Alone.flac", 30));
    // Same stem in another case, naming the .wav the ripper wrote (which is not there).
    write("ALBUM.CUE", sheetWithTitle("One").toUtf8());
    // Another name, but its FILE names the image by stem.
    write("rip.cue", QByteArray("FILE \"cdimage.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                "TRACK 02 AUDIO\nINDEX 01 00:20:00\nTRACK 03 AUDIO\n"
                                "INDEX 01 00:25:00\n"));
    const cue::Lookup album = find("Album.flac");
    EXPECT_EQ(album.sheet, path("ALBUM.CUE"));
    ASSERT_TRUE(album.image);
    EXPECT_EQ(album.image->tracks.size(), 2);
    EXPECT_EQ(album.image->tracks.back().span.end, 44100 * 30);

    const cue::Lookup image = find("CDImage.flac");
    EXPECT_EQ(image.sheet, path("rip.cue"));
    ASSERT_TRUE(image.image);
    EXPECT_EQ(image.image->tracks.size(), 3);

    EXPECT_TRUE(find("Other.flac").sheet.isEmpty());
    EXPECT_FALSE(find("Other.flac").image);

    // A rip of one file per track with its sheet: each file converts as it is.
    ASSERT_TRUE(makeFlac("01 - A.flac", 30));
    write("album.cue",
          QByteArray("FILE \"01 - A.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                     "FILE \"02 - B.flac\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_TRUE(find("01 - A.flac").sheet.isEmpty());

    // Pipes are never opened: reading one would wait for a writer without end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.flac")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("Alone.cue")).constData(), 0600), 0);
    EXPECT_TRUE(find("pipe.flac").sheet.isEmpty());
    EXPECT_TRUE(find("Alone.flac").sheet.isEmpty());
}

TEST_F(CueFiles, ReadsTheSheetInsideTheFlac) {
    // A CUESHEET comment, as some rippers embed the sheet.
    ASSERT_TRUE(makeFlac("comment.flac", 30,
                         {QStringLiteral("CUESHEET=") + sheetWithTitle(QStringLiteral("春"))}));
    const cue::Lookup comment = find("comment.flac");
    ASSERT_TRUE(comment.image) << comment.problem.toStdString();
    EXPECT_EQ(comment.image->tracks[0].title, QStringLiteral("春"));
    EXPECT_EQ(comment.image->folderName, "Band - Album");

    // A CUESHEET block: numbers and indexes only.
    ASSERT_TRUE(makeFlac("block.flac", 30, {"CUE_TRACK02_TITLE=Named"}));
    write("sheet.txt", QByteArray("FILE \"block.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                  "TRACK 02 AUDIO\nINDEX 00 00:12:00\nINDEX 01 00:12:30\n"));
    ASSERT_TRUE(
        run("metaflac", {"--import-cuesheet-from=" + path("sheet.txt"), path("block.flac")}));
    const cue::Lookup block = find("block.flac");
    ASSERT_TRUE(block.image) << block.problem.toStdString();
    ASSERT_EQ(block.image->tracks.size(), 2);
    EXPECT_EQ(block.image->tracks[0].title, "Track 01");
    EXPECT_EQ(block.image->tracks[1].title, "Named");
    EXPECT_EQ(block.image->tracks[1].span.start, (12 * 75 + 30) * 588);
    EXPECT_EQ(block.image->tracks[1].span.end, 44100 * 30);
}

TEST_F(CueFiles, ABadSheetBesideTheFlacIsNamedWithItsReason) {
    ASSERT_TRUE(makeFlac("short.flac", 30));
    write("short.cue", sheetWithTitle("x").replace("00:10:00", "01:10:00").toUtf8());
    ASSERT_TRUE(makeFlac("big.flac", 30));
    write("big.cue", QByteArray(10 * 1024 * 1024, 'A'));
    ASSERT_TRUE(makeFlac("noise.flac", 30));
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 7919 + 13) % 256);
    }
    write("noise.cue", noise);
    for (const char* name : {"short", "big", "noise"}) {
        const cue::Lookup found = find(QString::fromLatin1(name) + ".flac");
        EXPECT_EQ(found.sheet, path(QString::fromLatin1(name) + ".cue"));
        EXPECT_FALSE(found.image) << name;
        EXPECT_FALSE(found.problem.isEmpty()) << name;
    }
}

}  // namespace

namespace {

TEST(ImageTracks, TrackNamesFitAndNeverOverwrite) {
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    cue::ImageTrack track;
    track.number = 7;
    track.title = QStringLiteral("AC/DC: \"Live\"?");
    const QString first = cue::uniqueTrackPath(folder, track);
    EXPECT_EQ(first, folder + "07 - AC_DC_ _Live__.mp3");
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_EQ(cue::uniqueTrackPath(folder, track), folder + "07 - AC_DC_ _Live__ (2).mp3");
    track.title = QString(200, QChar(u'歌'));  // 600 bytes
    const QString name = QFileInfo(cue::uniqueTrackPath(folder, track)).fileName();
    EXPECT_LE(QFile::encodeName(name).size(), 255);
    EXPECT_TRUE(name.endsWith(QStringLiteral("歌.mp3")));
}

}  // namespace
