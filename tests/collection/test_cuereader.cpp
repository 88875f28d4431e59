// Sheets as the world writes them: the oddities rippers and editors leave, their code pages and
// Unicode forms, data tracks, and the FLACs they belong to on disk.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "collection/codepage.h"
#include "collection/cueimage.h"
#include "collection/cuesheet.h"
#include "collection/imagetracks.h"
#include "collection/sourcelinks.h"

using namespace lumivox;

namespace {

QByteArray encoded(const QString& text, const char* name) {
    QStringEncoder encoder(name);
    return encoder(text);
}

QStringList titlesOf(const cue::Sheet& sheet) {
    QStringList titles;
    for (const cue::File& f : sheet.files) {
        for (const cue::Track& t : f.tracks) {
            titles << QStringLiteral("%1:%2").arg(t.number).arg(t.title);
        }
    }
    return titles;
}

TEST(CueReader, KeepsGoingPastWhatRippersAndEditorsLeave) {
    struct Case {
        const char* what;
        const char* text;
        QStringList titles;  // "number:title" of each audio track, over the sheet
        bool noted;          // a line was skipped with a reason
    };
    const Case cases[] = {
        {"tabs",
         "FILE a.wav WAVE\nTRACK\t01\tAUDIO\n\tTITLE\t\"One\"\n\tINDEX\t01\t00:00:00\n"
         "TRACK 02 AUDIO\nTITLE \"Two\"\nINDEX 01 00:10:00\n",
         {"1:One", "2:Two"},
         false},
        {"Ctrl-Z",
         "FILE a.wav WAVE\r\nTRACK 01 AUDIO\r\nTITLE \"One\"\r\nINDEX 01 00:00:00\r\n\x1a",
         {"1:One"},
         false},
        {"lines that say nothing we use",
         "CATALOG 0724349831727\nCDTEXTFILE \"a.cdt\"\nREM COMPOSER \"Bach\"\nFILE a.wav WAVE\n"
         "TRACK 01 AUDIO\nFLAGS DCP\nPREGAP 00:02:00\nTITLE \"One\"\nINDEX 01 00:00:00\n"
         "POSTGAP 00:02:00\n",
         {"1:One"},
         false},
        {"unknown keyword",
         "FILE a.wav WAVE\nTRACK 01 AUDIO\nFROBNICATE 3\nTITLE One\n"
         "INDEX 01 00:00:00\n",
         {"1:One"},
         true},
        {"a line of no keyword",
         "FILE a.wav WAVE\n; written by hand\nTRACK 01 AUDIO\n"
         "TITLE One\nINDEX 01 00:00:00\n",
         {"1:One"},
         true},
        {"doubled quotes",
         "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE \"Say \"\"Hi\"\"\"\n"
         "INDEX 01 00:00:00\n",
         {"1:Say \"Hi\""},
         false},
        {"a stray quote inside",
         "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE \"12\" Mix\"\n"
         "INDEX 01 00:00:00\n",
         {"1:12\" Mix"},
         false},
        {"no quotes",
         "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE Hello World\nINDEX 01 00:00:00\n",
         {"1:Hello World"},
         false},
        {"lower case, CR ends",
         "file a.wav wave\rtrack 01 audio\rtitle \"One\"\r"
         "index 01 00:00:00\r",
         {"1:One"},
         false},
        {"a data track first",
         "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "TRACK 02 AUDIO\nTITLE \"One\"\nINDEX 01 00:10:00\n"
         "TRACK 03 AUDIO\nTITLE \"Two\"\nINDEX 01 00:20:00\n",
         {"1:One", "2:Two"},
         true},
        {"PREGAP and POSTGAP outside a track",
         "PREGAP 00:02:00\nFILE a.wav WAVE\nPOSTGAP 00:01:00\nTRACK 01 AUDIO\nTITLE One\n"
         "INDEX 01 00:00:00\n",
         {"1:One"},
         false},
        {"a FILE named twice",
         "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE One\nINDEX 01 00:00:00\n"
         "FILE a.wav WAVE\nTRACK 02 AUDIO\nTITLE Two\nINDEX 01 00:10:00\n",
         {"1:One", "2:Two"},
         false},
    };
    for (const Case& c : cases) {
        const cue::Reading reading = cue::readSheet(QString::fromUtf8(c.text));
        EXPECT_TRUE(reading.refused.isEmpty()) << c.what << ": " << reading.refused.toStdString();
        EXPECT_EQ(titlesOf(reading.sheet), c.titles) << c.what;
        EXPECT_EQ(reading.sheet.audioTracks, c.titles.size()) << c.what;
        EXPECT_EQ(!reading.sheet.notes.isEmpty(), c.noted)
            << c.what << ": " << reading.sheet.notes.join(u'|').toStdString();
        for (const cue::File& f : reading.sheet.files) {
            EXPECT_FALSE(f.name.isEmpty()) << c.what;
        }
    }
}

TEST(CueReader, BrokenSheetsAreRefusedWithTheirLine) {
    const char* const indexes[] = {"0:0", "00:00:75", "00:60:00", "aa:bb:cc", "00:00", ""};
    for (const char* index : indexes) {
        const QString text = QStringLiteral(
                                 "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                 "TRACK 02 AUDIO\nINDEX 01 %1\n")
                                 .arg(QLatin1String(index));
        const cue::Reading reading = cue::readSheet(text);
        EXPECT_TRUE(reading.refused.contains(QStringLiteral("第 5 行")))
            << index << ": " << reading.refused.toStdString();
    }
    // Only a data track: nothing to split.
    EXPECT_FALSE(cue::readSheet(
                     QStringLiteral("FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"))
                     .refused.isEmpty());
    // Times that go back are refused where the spans are laid.
    QString why;
    const auto sheet = cue::parseSheet(
        QStringLiteral("FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                       "INDEX 01 00:20:00\nTRACK 03 AUDIO\nINDEX 01 00:10:00\n"));
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(cue::imageFromSheet(*sheet, QStringLiteral("a.flac"), 44100, 44100 * 60, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("第 3 轨"))) << why.toStdString();
}

TEST(CueReader, DataTracksAreNeitherEncodedNorCounted) {
    const auto sheet = cue::parseSheet(QStringLiteral(
        "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
        "TRACK 02 AUDIO\nINDEX 00 00:08:00\nINDEX 01 00:10:00\nTRACK 03 AUDIO\nINDEX 01 00:20:00\n"
        "TRACK 04 MODE2/2352\nINDEX 01 00:40:00\n"));
    ASSERT_TRUE(sheet);
    const auto image =
        cue::imageFromSheet(*sheet, QStringLiteral("a.flac"), 44100, 44100 * 60, nullptr);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->tracks.size(), 2);
    EXPECT_EQ(image->tracks[0].span.start, 10 * 44100);  // not the data before it
    EXPECT_EQ(image->tracks[1].span.end, 40 * 44100);    // nor the data after
    EXPECT_TRUE(
        image->tracks[1].tags.contains(QPair<QString, QString>(u"TRACKNUMBER"_qs, u"2"_qs)));
    EXPECT_TRUE(image->tracks[1].tags.contains(QPair<QString, QString>(u"TRACKTOTAL"_qs, u"2"_qs)));
}

TEST(CueReader, UnicodeWithoutAMarkIsToldByItsNulBytes) {
    const QString text = QStringLiteral(
        "TITLE \"夜來香 Ålbum\"\nFILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"さくら\"\n"
        "INDEX 01 00:00:00\n");
    struct Case {
        const char* name;
        QByteArray mark;
    };
    const Case cases[] = {
        {"UTF-16LE", {}},
        {"UTF-16BE", {}},
        {"UTF-32LE", {}},
        {"UTF-32BE", {}},
        {"UTF-32LE", QByteArray("\xFF\xFE\0\0", 4)},
        {"UTF-32BE", QByteArray("\0\0\xFE\xFF", 4)},
    };
    for (const Case& c : cases) {
        const auto decoded = cue::decodeSheet(c.mark + encoded(text, c.name), nullptr);
        ASSERT_TRUE(decoded) << c.name;
        EXPECT_EQ(*decoded, text) << c.name << (c.mark.isEmpty() ? "" : " with a mark");
    }
}

TEST(CueReader, TheSheetTagsTheTracks) {
    const auto sheet = cue::parseSheet(QStringLiteral(
        "CATALOG 0724349831727\nREM DISCNUMBER 2\nREM TOTALDISCS 2\nREM COMPOSER \"Bach\"\n"
        "TITLE \"Suites (CD2)\"\nFILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE One\n"
        "SONGWRITER \"Words\"\nISRC DEA123456789\nINDEX 01 00:00:00\n"));
    ASSERT_TRUE(sheet);
    const auto image =
        cue::imageFromSheet(*sheet, QStringLiteral("a.flac"), 44100, 44100 * 60, nullptr);
    ASSERT_TRUE(image);
    const auto& tags = image->tracks[0].tags;
    for (const auto& [key, value] : QList<QPair<QString, QString>>{{"BARCODE", "0724349831727"},
                                                                   {"DISCNUMBER", "2"},
                                                                   {"DISCTOTAL", "2"},
                                                                   {"COMPOSER", "Bach"},
                                                                   {"LYRICIST", "Words"},
                                                                   {"ISRC", "DEA123456789"},
                                                                   {"ALBUM", "Suites"}}) {
        EXPECT_TRUE(tags.contains({key, value})) << key.toStdString();
    }
    EXPECT_EQ(image->disc, 2);
    EXPECT_EQ(image->tracks[0].disc, 2);
}

TEST(CueReader, TheDiscOfAnAlbumOfSeveral) {
    struct Case {
        const char* sheetDisc;
        const char* sheetTotal;
        const char* title;
        const char* flacDisc;
        const char* pathName;
        int disc;
    };
    const Case cases[] = {
        {"", "", "Album", "", "Album/Album", 0},
        {"1", "1", "Album", "", "Album/Album", 0},
        {"1", "", "Album", "", "Album/Album", 0},
        {"2", "", "Album", "", "Album/Album", 2},
        {"1", "2", "Album", "", "Album/Album", 1},
        {"", "", "Album", "1/2", "Album/Album", 1},
        {"", "", "Album (CD2)", "", "Album/Album", 2},
        {"", "", "Album", "", "CD1/Album", 1},
        {"", "", "Album", "", "Album/Album Disc 2", 2},
        {"", "", "Album", "", "Album/Album disk-3", 3},
        {"", "", "ABCD1", "", "Discography/Album", 0},  // no mark: letters before it
    };
    for (const Case& c : cases) {
        cue::Sheet sheet;
        sheet.discNumber = QString::fromLatin1(c.sheetDisc);
        sheet.totalDiscs = QString::fromLatin1(c.sheetTotal);
        sheet.title = QString::fromLatin1(c.title);
        cue::FlacFacts facts;
        facts.discNumber = QString::fromLatin1(c.flacDisc);
        facts.pathName = QString::fromLatin1(c.pathName);
        EXPECT_EQ(cue::discOf(sheet, facts), c.disc) << c.title << " " << c.pathName;
    }
    EXPECT_EQ(cue::withoutDiscMark(u"Album [Disc 2]"_qs), u"Album"_qs);
    EXPECT_EQ(cue::withoutDiscMark(u"Album - CD 1"_qs), u"Album"_qs);
    EXPECT_TRUE(cue::isDiscName(u"CD2"_qs));
    EXPECT_FALSE(cue::isDiscName(u"Album"_qs));
}

// FLACs on disk, with names in code pages other than UTF-8.
class CueOnDisk : public ::testing::Test {
  protected:
    QByteArray path(const QByteArray& name) const {
        return QFile::encodeName(dir_.path()) + '/' + name;
    }

    bool makeFlac(const QByteArray& name, double seconds, const QStringList& options = {},
                  int rate = 44100) {
        const QByteArray made = QFile::encodeName(dir_.path()) + "/made.flac";
        QStringList args{"-hide_banner", "-loglevel",
                         "error",        "-y",
                         "-f",           "lavfi",
                         "-i",           QStringLiteral("anullsrc=r=%1:cl=stereo").arg(rate),
                         "-t",           QString::number(seconds)};
        args << options << QFile::decodeName(made);
        if (!run("ffmpeg", args)) {
            return false;
        }
        return ::rename(made.constData(), path(name).constData()) == 0;
    }
    static bool run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    void write(const QByteArray& name, const QByteArray& bytes) {
        FILE* f = std::fopen(path(name).constData(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
        std::fclose(f);
    }

    // QTemporaryDir cannot name what is not UTF-8.
    void TearDown() override { QProcess::execute("rm", {"-rf", dir_.path()}); }

    QTemporaryDir dir_;
};

TEST_F(CueOnDisk, SheetsAndFlacsWhoseNamesAreNotUtf8) {
    const QString stem = QStringLiteral("月亮代表我的心");
    const QByteArray gbk = encoded(stem, "GB18030");
    ASSERT_TRUE(makeFlac(gbk + ".flac", 30));
    write(gbk + ".cue", encoded(QStringLiteral("TITLE \"精选\"\nFILE \"%1.wav\" WAVE\n"
                                               "TRACK 01 AUDIO\nTITLE \"春\"\nINDEX 01 00:00:00\n"
                                               "TRACK 02 AUDIO\nTITLE \"夏\"\nINDEX 01 00:10:00\n")
                                    .arg(stem),
                                "GB18030"));
    // As the batch hands such a source to the tools: through a link of its readable name.
    SourceLinks links;
    const QString reached =
        links.reach(dir_.path() + u'/' + stem + u".flac"_qs, path(gbk + ".flac"));
    ASSERT_NE(reached, dir_.path() + u'/' + stem + u".flac"_qs);
    const cue::Lookup found = cue::findImage(reached, cue::sheetDecoder(QString()));
    ASSERT_TRUE(found.image) << found.sheet.toStdString() << found.problem.toStdString();
    EXPECT_EQ(found.sheet, dir_.path() + u'/' + stem + u".cue"_qs);
    ASSERT_EQ(found.image->tracks.size(), 2);
    EXPECT_EQ(found.image->tracks[1].title, u"夏"_qs);
}

TEST_F(CueOnDisk, ALongGbkNameFitsItsLink) {
    const QString stem = QString(84, QChar(0x6708));  // 84 hanzi: 168 bytes, 252 in UTF-8
    const QByteArray gbk = encoded(stem, "GB18030");
    ASSERT_TRUE(makeFlac(gbk + ".flac", 2));
    SourceLinks links;
    const QString readable = dir_.path() + u'/' + stem + u".flac"_qs;
    const QString reached = links.reach(readable, path(gbk + ".flac"));
    ASSERT_NE(reached, readable);
    EXPECT_TRUE(reached.endsWith(u".flac"_qs));
    EXPECT_LE(QFile::encodeName(reached.section(u'/', -1)).size(), 255);
    EXPECT_TRUE(QFile::exists(reached));
}

TEST_F(CueOnDisk, AOneTrackSheetKeepsTheFlacsTitle) {
    ASSERT_TRUE(makeFlac("single.flac", 10, {"-metadata", "TITLE=Real Title"}));
    write("single.cue",
          "PERFORMER Band\nFILE single.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const cue::Lookup found = cue::findImage(QFile::decodeName(path("single.flac")), nullptr);
    ASSERT_TRUE(found.image) << found.problem.toStdString();
    EXPECT_EQ(found.image->tracks[0].title, u"Real Title"_qs);
    for (const auto& tag : found.image->tracks[0].tags) {
        EXPECT_NE(tag.first, u"TITLE"_qs) << "the FLAC's own title stays";
    }
}

TEST_F(CueOnDisk, AHiResBlockIsCutAtItsExactSamples) {
    ASSERT_TRUE(
        makeFlac("hires.flac", 5, {"-sample_fmt", "s32", "-metadata", "TITLE=Whole"}, 96000));
    write("sheet.txt",
          "FILE \"hires.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 0\n"
          "TRACK 02 AUDIO\nINDEX 01 100001\nTRACK 03 AUDIO\nINDEX 01 300007\n");
    ASSERT_TRUE(run("metaflac", {"--import-cuesheet-from=" + QFile::decodeName(path("sheet.txt")),
                                 QFile::decodeName(path("hires.flac"))}));
    const cue::Lookup found = cue::findImage(QFile::decodeName(path("hires.flac")), nullptr);
    ASSERT_TRUE(found.image) << found.problem.toStdString();
    ASSERT_EQ(found.image->tracks.size(), 3);
    EXPECT_EQ(found.image->bits, 24);
    EXPECT_EQ(found.image->tracks[0].span.end, 100001);
    EXPECT_EQ(found.image->tracks[1].span.start, 100001);
    EXPECT_EQ(found.image->tracks[1].span.end, 300007);
    EXPECT_EQ(found.image->tracks[2].span.end, 5 * 96000);
}

TEST_F(CueOnDisk, TwoDiscsGoToOneAlbumFolder) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("Album/CD1") && QDir(dir_.path()).mkpath("Album/CD2"));
    for (const char* disc : {"1", "2"}) {
        const QByteArray folder = QByteArray("Album/CD") + disc + '/';
        ASSERT_TRUE(makeFlac(folder + "image.flac", 20));
        write(folder + "image.cue",
              encoded(QStringLiteral("PERFORMER \"歌手\"\nTITLE \"精选\"\nFILE image.wav WAVE\n"
                                     "TRACK 01 AUDIO\nTITLE \"春\"\nINDEX 01 00:00:00\n"),
                      "GB18030"));
    }
    const QString out = dir_.path() + u"/out/Album/CD2"_qs;
    QStringList made;
    for (const char* disc : {"1", "2"}) {
        const QString flac = QFile::decodeName(path(QByteArray("Album/CD") + disc + "/image.flac"));
        const cue::Lookup found = cue::findImage(flac, cue::sheetDecoder(QString()));
        ASSERT_TRUE(found.image) << found.problem.toStdString();
        const QString folder = cue::imageFolder(out, *found.image, flac);
        EXPECT_EQ(folder, dir_.path() + u"/out/Album/歌手 - 精选/"_qs);
        made << cue::uniqueTrackPath(folder, found.image->tracks[0]).section(u'/', -1);
    }
    EXPECT_EQ(made, (QStringList{u"1-01 - 春.mp3"_qs, u"2-01 - 春.mp3"_qs}));
}

}  // namespace
