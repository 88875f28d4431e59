// coder.exe's ID3 tags: a richly tagged FLAC gives the same tag whichever encode made the sound,
// mapped as taggers map it, read back by a second reader (mutagen, id3lib, ffprobe).
#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "tooljob/mp3track.h"
#include "tools/tags/id3tag.h"
#include "tools/tags/sourcetags.h"

namespace {

using namespace lumivox::tools;

struct Run {
    int status = -1;
    QByteArray output;
};

Run run(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env) {
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    }
    p.setProcessEnvironment(e);
    p.start(program, args);
    p.waitForFinished(180000);
    Run r{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
    EXPECT_EQ(r.status, 0) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                           << p.readAllStandardError().toStdString();
    return r;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The ID3v2 tag that starts the file.
QByteArray id3v2Of(const QString& mp3) {
    const QByteArray bytes = fileBytes(mp3);
    int size = 10;
    for (int i = 6; i < 10 && bytes.size() >= 10; ++i) {
        size += (bytes[i] & 0x7f) << (7 * (9 - i));
    }
    return bytes.startsWith("ID3") ? bytes.left(size) : QByteArray();
}

qint64 decodedSamples(const QString& path) {
    return run("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-"})
               .output.size() /
           4;
}

QJsonObject mutagen(const QString& mp3) {
    const QString script = QFileInfo(QStringLiteral(__FILE__)).dir().filePath("id3dump.py");
    return QJsonDocument::fromJson(run("/usr/bin/python3", {script, mp3}).output).object();
}

QStringList texts(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& v : value.toArray()) {
        list << (v.isArray()
                     ? QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact))
                     : v.toString());
    }
    return list;
}

class Tags : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=64x64", "-frames:v", "1",
                       path("front.jpg")});
        run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=32x32", "-frames:v", "1",
                       path("back.png")});
        for (const auto& [name, seconds] : {std::pair{"short", 10}, std::pair{"long", 60}}) {
            const QString flac = path(QString(name) + ".flac");
            run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                           QString("anoisesrc=d=%1:c=pink:r=44100:a=0.3").arg(seconds), "-ac", "2",
                           "-sample_fmt", "s16", flac});
            QStringList args{"--remove-all-tags"};
            for (const char* field : kFields) {
                args << QString("--set-tag=") + QString::fromUtf8(field);
            }
            // The back cover comes first in the file; the front goes first in the MP3.
            args << "--import-picture-from=4|image/png|back side||" + path("back.png")
                 << "--import-picture-from=3|image/jpeg|正面||" + path("front.jpg") << flac;
            run("metaflac", args);
        }
    }
    static void TearDownTestSuite() { delete dir; }
    static QString path(const QString& name) { return dir->filePath(name); }

    static QString encode(const QString& name, const QString& mp3, const QStringList& env) {
        run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
            {"-i", path(name + ".flac"), "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2",
             path(mp3)},
            env + QStringList{"LUMIVOX_PIECES_REPORT=" + path("report.txt")});
        return path(mp3);
    }

    static constexpr const char* kFields[] = {
        "TITLE=夜來香",
        "ARTIST=李香蘭",
        "ARTIST=Ann Smith",
        "ALBUM=東京の夜",
        "ALBUMARTIST=Various",
        "TRACKNUMBER=3",
        "TRACKTOTAL=12",
        "DISCNUMBER=1",
        "TOTALDISCS=2",
        "DATE=2003-05-17",
        "ORIGINALDATE=1944",
        "GENRE=Pop",
        "GENRE=Jazz",
        "COMPOSER=黎錦光",
        "CONDUCTOR=Karajan",
        "PERFORMER=Jane Doe (violin)",
        "PERFORMER=Bob",
        "LYRICIST=Lee",
        "LYRICS=那南風吹來清涼",
        "COMMENT=Remastered 評論",
        "COMPILATION=1",
        "ARTISTSORT=Li, Xianglan",
        "LABEL=Columbia",
        "ISRC=JPCO01234567",
        "BPM=96",
        "REPLAYGAIN_TRACK_GAIN=-6.20 dB",
        "MUSICBRAINZ_TRACKID=0f1e2d3c-aaaa-bbbb-cccc-123456789abc",
        "MUSICBRAINZ_ALBUMID=11111111-2222-3333-4444-555555555555",
        "CATALOGNUMBER=COL-123",
        "ENCODER=reference libFLAC 1.4.2",
    };
    static inline QTemporaryDir* dir = nullptr;
};

TEST_F(Tags, BothEncodesWriteOneTagMappedAsTaggersMapIt) {
    const QString plainShort = encode("short", "short.mp3", {});
    const QString pieces = encode("long", "long.mp3", {});
    const QString plainLong = encode("long", "long0.mp3", {"LUMIVOX_PARALLEL=0"});
    const QString report = QString::fromUtf8(fileBytes(path("report.txt")));
    ASSERT_TRUE(report.contains("long.flac\tpieces")) << report.toStdString();
    ASSERT_TRUE(report.contains("short.flac\tplain")) << report.toStdString();

    const QByteArray tag = id3v2Of(pieces);
    ASSERT_FALSE(tag.isEmpty());
    EXPECT_TRUE(id3v2Of(plainShort) == tag) << "the short file of the album is tagged alike";
    EXPECT_TRUE(id3v2Of(plainLong) == tag) << "LUMIVOX_PARALLEL=0 is tagged alike";
    // Exact length on both paths: no padding samples after the music.
    EXPECT_EQ(decodedSamples(plainShort), decodedSamples(path("short.flac")));
    EXPECT_EQ(decodedSamples(plainLong), decodedSamples(path("long.flac")));
    EXPECT_EQ(decodedSamples(pieces), decodedSamples(path("long.flac")));

    const QJsonObject dump = mutagen(pieces);
    EXPECT_EQ(dump["version"].toString(), "2.4");
    const QJsonObject frames = dump["frames"].toObject();
    const std::pair<const char*, QStringList> expected[] = {
        {"TIT2", {"夜來香"}},
        {"TPE1", {"李香蘭", "Ann Smith"}},
        {"TPE2", {"Various"}},
        {"TRCK", {"3/12"}},
        {"TPOS", {"1/2"}},
        {"TCON", {"Pop", "Jazz"}},
        {"TDRC", {"2003-05-17"}},
        {"TDOR", {"1944"}},
        {"TCOM", {"黎錦光"}},
        {"TPE3", {"Karajan"}},
        {"TEXT", {"Lee"}},
        {"TCMP", {"1"}},
        {"TSOP", {"Li, Xianglan"}},
        {"TPUB", {"Columbia"}},
        {"TSRC", {"JPCO01234567"}},
        {"TBPM", {"96"}},
        {"TSSE", {"LAME3.100"}},
        {"TMCL", {R"([["violin","Jane Doe"],["performer","Bob"]])"}},
        {"COMM::eng", {"eng", "", "Remastered 評論"}},
        {"USLT::eng", {"eng", "", "那南風吹來清涼"}},
        {"UFID:http://musicbrainz.org",
         {"http://musicbrainz.org", "0f1e2d3c-aaaa-bbbb-cccc-123456789abc"}},
        {"TXXX:MusicBrainz Album Id", {"11111111-2222-3333-4444-555555555555"}},
        {"TXXX:REPLAYGAIN_TRACK_GAIN", {"-6.20 dB"}},
        {"TXXX:CATALOGNUMBER", {"COL-123"}},
    };
    for (const auto& [frame, values] : expected) {
        QStringList got = texts(frames[frame]);
        if (QString(frame) == "TMCL") {
            got = {QString::fromUtf8(
                QJsonDocument(frames[frame].toArray()).toJson(QJsonDocument::Compact))};
        }
        EXPECT_EQ(got, values) << frame;
    }
    const QJsonArray pictures = frames["APIC"].toArray();
    ASSERT_EQ(pictures.size(), 2);
    EXPECT_EQ(pictures[0].toArray()[0].toInt(), 3) << "the front cover first";
    EXPECT_EQ(pictures[0].toArray()[2].toString(), "正面");
    EXPECT_EQ(pictures[1].toArray()[1].toString(), "image/png");
    for (const char* gone : {"TXXX:ENCODER", "TXXX:TRACKTOTAL", "TXXX:TOTALDISCS", "TXXX:LYRICS"}) {
        EXPECT_FALSE(frames.contains(gone)) << gone;
    }
    EXPECT_TRUE(dump["v1"].isNull());
}

TEST_F(Tags, Id3v23ForOldPlayersReadsInEveryReader) {
    const QString pieces = encode("long", "long23.mp3", {"LUMIVOX_ID3=2.3"});
    const QString plain = encode("short", "short23.mp3", {"LUMIVOX_ID3=2.3"});
    EXPECT_TRUE(id3v2Of(plain) == id3v2Of(pieces));
    EXPECT_TRUE(fileBytes(plain).right(128) == fileBytes(pieces).right(128));
    EXPECT_EQ(decodedSamples(pieces), decodedSamples(path("long.flac")));

    // id3lib knows no 2.4: with 2.4 it finds no tag at all.
    const QString listed = QString::fromUtf8(run("id3v2", {"-l", pieces}).output);
    for (const char* line : {"TIT2 (Title/songname/content description): 夜來香",
                             "TPE1 (Lead performer(s)/Soloist(s)): 李香蘭/Ann Smith",
                             "TALB (Album/Movie/Show title): 東京の夜",
                             "TRCK (Track number/Position in set): 3/12", "TYER (Year): 2003"}) {
        EXPECT_TRUE(listed.contains(QString::fromUtf8(line))) << line << "\n"
                                                              << listed.toStdString();
    }
    const QJsonObject dump = mutagen(pieces);
    EXPECT_EQ(dump["version"].toString(), "2.3");
    const QJsonObject frames = dump["frames"].toObject();
    EXPECT_EQ(texts(frames["TDAT"]), QStringList{"1705"});
    EXPECT_EQ(texts(frames["TORY"]), QStringList{"1944"});
    EXPECT_EQ(texts(frames["TXXX:ARTISTSORT"]), QStringList{"Li, Xianglan"}) << "no TSOP in 2.3";
    EXPECT_EQ(frames["APIC"].toArray().size(), 2);
    const QJsonObject v1 = dump["v1"].toObject();
    EXPECT_EQ(v1["title"].toString(), "d2b981edcfe3") << "夜來香 in GBK";
    EXPECT_EQ(v1["track"].toInt(), 3);
    EXPECT_EQ(v1["genre"].toInt(), 13) << "Pop";
    TagLib::MPEG::File taglib(QFile::encodeName(pieces).constData(), false);
    ASSERT_TRUE(taglib.hasID3v2Tag());
    EXPECT_EQ(taglib.ID3v2Tag()->header()->majorVersion(), 3u);
    EXPECT_EQ(taglib.ID3v2Tag()->title().to8Bit(true), "夜來香");
    EXPECT_EQ(taglib.ID3v2Tag()->track(), 3u);
    EXPECT_EQ(QString::fromUtf8(run("ffprobe", {"-v", "error", "-show_entries", "format_tags=title",
                                                "-of", "default=nw=1:nk=1", pieces})
                                    .output)
                  .trimmed(),
              "夜來香");
}

// A video TagLib cannot read keeps the tags ffmpeg carried over from it.
TEST_F(Tags, AnInputTagLibCannotReadKeepsFfmpegsTags) {
    const QString avi = path("clip.avi");
    run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=d=3", "-metadata", "title=Clip", avi});
    const QString mp3 = path("clip.mp3");
    run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
        {"-i", avi, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", mp3});
    EXPECT_EQ(texts(mutagen(mp3)["frames"].toObject()["TIT2"]), QStringList{"Clip"});
}

// ID3v1 fields hold 30 bytes: a text is cut after a whole character, in Latin-1 where it fits.
TEST(Id3v1, FieldsCutAtAWholeCharacter) {
    std::string spring;  // 春 fourteen times in GBK: 28 bytes, and a fifteenth would not fit
    for (int i = 0; i < 14; ++i) {
        spring += "\xb4\xba";
    }
    const struct {
        std::string title;
        std::string bytes;
    } cases[] = {
        {"Café", "Caf\xe9"},
        {std::string(31, 'a'), std::string(30, 'a')},
        {"a春春春春春春春春春春春春春春春", "a" + spring},
        {"사랑", "??"},
    };
    for (const auto& c : cases) {
        SourceTags tags;
        tags.fields = {{"TITLE", {c.title}}};
        const std::string tag = renderId3v1(tags);
        ASSERT_EQ(tag.size(), 128u);
        std::string expected = c.bytes;
        expected.resize(30, '\0');
        EXPECT_EQ(tag.substr(3, 30), expected) << c.title;
    }
}

// The -metadata of a command: the first replaces the field, a repeat adds, empty removes.
TEST(Metadata, ArgumentsOverTheInputsFields) {
    SourceTags tags;
    tags.fields = {{"ARTIST", {"A", "B"}}, {"GENRE", {"Pop"}}, {"TITLE", {"Whole disc"}}};
    applyMetadata(tags, lumivox::tooljob::parseMetadata(
                            {"-i", "x.flac", "-metadata", "title=Intro", "-metadata", "ARTIST=C",
                             "-metadata", "artist=D", "-metadata", "GENRE=", "-y", "x.mp3"}));
    ASSERT_EQ(tags.fields.size(), 2u);
    EXPECT_EQ(tags.fields[0].name, "ARTIST");
    EXPECT_EQ(tags.fields[0].values, (std::vector<std::string>{"C", "D"}));
    EXPECT_EQ(tags.fields[1].name, "TITLE");
    EXPECT_EQ(tags.fields[1].values, std::vector<std::string>{"Intro"});
}

}  // namespace
