// coder.exe's MP3 output gets every picture of the FLAC, else its folder's cover file, on both
// encodes.
#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

#include "tools/covers/coverfile.h"

namespace {

using namespace lumivox::tools;

int run(const QString& program, const QStringList& args, const QString& parallel = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVOX_PARALLEL", parallel);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << args.join(' ').toStdString() << "\n" << p.readAll().data();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

struct Mp3Facts {
    int id3Version = 0;
    TagLib::PropertyMap text;
    std::vector<CoverPicture> pictures;
};

Mp3Facts readMp3(const QString& path) {
    Mp3Facts facts;
    const QByteArray head = readAll(path).left(4);
    facts.id3Version = head.startsWith("ID3") ? head[3] : 0;
    TagLib::MPEG::File mp3(QFile::encodeName(path).constData(), false);
    if (TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag()) {
        facts.text = tag->properties();
        for (const TagLib::ID3v2::Frame* f : tag->frameListMap()["APIC"]) {
            const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f);
            facts.pictures.push_back({apic->mimeType().to8Bit(), static_cast<int>(apic->type()),
                                      apic->description().to8Bit(true),
                                      std::string(apic->picture().data(), apic->picture().size())});
        }
    }
    return facts;
}

std::string text(const Mp3Facts& facts, const char* key) {
    return facts.text[key].toString().to8Bit(true);
}

class Covers : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=f=440:d=25", "-ac", "2",
                       "-metadata", "title=Song", "-metadata", "artist=Singer", "-metadata",
                       "album=Album", "-metadata", "track=3", path("base.flac")});
        for (const char* ext : {"jpg", "png"}) {
            run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=96x96", "-frames:v", "1",
                           path(QString("pic.") + ext)});
        }
    }
    static void TearDownTestSuite() { delete dir; }
    static QString path(const QString& name) { return dir->filePath(name); }
    static std::string bytes(const QString& name) { return readAll(path(name)).toStdString(); }

    // <name>/song.flac, with the pictures metaflac adds ("type|mime|description||file").
    static QString flacIn(const QString& name, const QStringList& pictures) {
        QDir().mkpath(path(name));
        const QString flac = path(name + "/song.flac");
        QFile::copy(path("base.flac"), flac);
        for (const QString& p : pictures) {
            run("metaflac", {"--import-picture-from=" + p, flac});
        }
        return flac;
    }

    static inline QTemporaryDir* dir = nullptr;
};

TEST_F(Covers, MatchingPictureOnBothEncodesWithTextTagsKept) {
    const QString jpg = path("pic.jpg"), png = path("pic.png");
    const struct {
        const char* name;
        std::function<QString()> make;  // returns the FLAC
        std::vector<CoverPicture> expected;
    } cases[] = {
        {"front jpeg after a back png, before the cover file",
         [&] {
             QDir().mkpath(path("jpeg"));
             QFile::copy(png, path("jpeg/cover.png"));
             return flacIn("jpeg", {"4|image/png|back||" + png, "3|image/jpeg|正面 front||" + jpg});
         },
         {{"image/jpeg", 3, "正面 front", bytes("pic.jpg")},
          {"image/png", 4, "back", bytes("pic.png")}}},
        {"no front cover: the file's order",
         [&] {
             return flacIn("png", {"0|image/png|other||" + png, "4|image/jpeg|back||" + jpg});
         },
         {{"image/png", 0, "other", bytes("pic.png")},
          {"image/jpeg", 4, "back", bytes("pic.jpg")}}},
        {"none embedded: FOLDER.jpg before Front.PNG",
         [&] {
             const QString flac = flacIn("folder", {});
             QFile::copy(png, path("folder/Front.PNG"));
             QFile::copy(jpg, path("folder/FOLDER.jpg"));
             return flac;
         },
         {{"image/jpeg", 3, "", bytes("pic.jpg")}}},
        {"none at all", [&] { return flacIn("none", {}); }, {}},
        {"20 MB cover file",
         [&] {
             const QString flac = flacIn("huge", {});
             write(path("huge/cover.jpg"), readAll(jpg) + QByteArray(20 << 20, '\0'));
             return flac;
         },
         {}},
        {"damaged picture block",
         [&] {
             const QString flac = flacIn("damaged", {"3|image/jpeg|front||" + jpg});
             QByteArray data = readAll(flac);
             // The MIME type's length now runs far past the block.
             data.replace(data.indexOf("image/jpeg") - 4, 4, QByteArray("\0\x10\0\0", 4));
             write(flac, data);
             return flac;
         },
         {}},
        {"a JPEG in name only",
         [&] {
             write(path("notes.txt"), "not a picture");
             return flacIn("fake", {"3|image/jpeg||1x1x24|" + path("notes.txt")});
         },
         {}},
    };
    for (const auto& c : cases) {
        const QString flac = c.make();
        // Default: the encode in pieces; "0": plain ffmpeg.
        for (const char* parallel : {"", "0"}) {
            SCOPED_TRACE(std::string(c.name) + ", LUMIVOX_PARALLEL=" + parallel);
            const QString mp3 = flac + parallel + ".mp3";
            ASSERT_EQ(run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
                          {"-i", flac, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", mp3},
                          parallel),
                      0);
            const Mp3Facts facts = readMp3(mp3);
            EXPECT_EQ(facts.id3Version, 4);
            EXPECT_EQ(text(facts, "TITLE") + text(facts, "ARTIST") + text(facts, "ALBUM") +
                          text(facts, "TRACKNUMBER"),
                      "SongSingerAlbum3");
            ASSERT_EQ(facts.pictures.size(), c.expected.size());
            for (std::size_t i = 0; i < c.expected.size(); ++i) {
                const CoverPicture& got = facts.pictures[i];
                EXPECT_EQ(got.mimeType, c.expected[i].mimeType);
                EXPECT_EQ(got.type, c.expected[i].type);
                EXPECT_EQ(got.description, c.expected[i].description);
                EXPECT_TRUE(got.data == c.expected[i].data);
            }
        }
    }
}

// Only the MP3 gets a tag: an ID3 tag in front of a WAV would spoil it.
TEST_F(Covers, OtherOutputsLeftAlone) {
    const QString flac = flacIn("wav", {"3|image/jpeg|front||" + path("pic.jpg")});
    const QString wav = path("wav/song.wav");
    ASSERT_EQ(run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe", {"-i", flac, "-y", "-vn", wav}),
              0);
    EXPECT_TRUE(readAll(wav).startsWith("RIFF"));
}

struct JpegFrame {
    int marker = 0;  // 0xc0 baseline, 0xc2 progressive, ...
    int width = 0;
    int height = 0;
};

// The JPEG's first start-of-frame marker.
JpegFrame jpegFrame(const std::string& data) {
    for (std::size_t i = 2; i + 9 < data.size();) {
        const auto u = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
        if (u(i) != 0xff) {
            return {};
        }
        const int marker = u(i + 1);
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 &&
            marker != 0xcc) {
            return {marker, u(i + 7) << 8 | u(i + 8), u(i + 5) << 8 | u(i + 6)};
        }
        i += 2 + static_cast<std::size_t>(u(i + 2) << 8 | u(i + 3));
    }
    return {};
}

// With a size chosen, larger pictures are scaled down and every picture is a baseline JPEG, its
// type and description kept; a small baseline JPEG keeps its bytes; "0" keeps them all.
TEST_F(Covers, PicturesFittedForDevicesOnBothEncodes) {
    run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=1200x800", "-frames:v", "1",
                   path("large.png")});
    run("convert",
        {path("pic.png"), "-resize", "200x200", "-interlace", "JPEG", path("progressive.jpg")});
    ASSERT_EQ(jpegFrame(bytes("progressive.jpg")).marker, 0xc2);
    const QString flac = flacIn("fit", {"3|image/png|大 front||" + path("large.png"),
                                        "4|image/jpeg|back||" + path("progressive.jpg"),
                                        "5|image/jpeg|small||" + path("pic.jpg")});
    for (const char* parallel : {"", "0"}) {
        SCOPED_TRACE(std::string("LUMIVOX_PARALLEL=") + parallel);
        const QString mp3 = flac + parallel + ".mp3";
        const QStringList args = {"-i",  flac,   "-y",  "-vn", "-ar", "44100",
                                  "-ab", "128k", "-ac", "2",   mp3};
        qputenv("LUMIVOX_COVER_MAX", "500");
        ASSERT_EQ(run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe", args, parallel), 0);
        Mp3Facts facts = readMp3(mp3);
        ASSERT_EQ(facts.pictures.size(), 3u);
        const struct {
            int type;
            const char* description;
            int width, height;
        } expected[] = {{3, "大 front", 500, 333}, {4, "back", 200, 200}, {5, "small", 96, 96}};
        for (std::size_t i = 0; i < 3; ++i) {
            const CoverPicture& got = facts.pictures[i];
            const JpegFrame frame = jpegFrame(got.data);
            EXPECT_EQ(got.mimeType, "image/jpeg");
            EXPECT_EQ(got.type, expected[i].type);
            EXPECT_EQ(got.description, expected[i].description);
            EXPECT_EQ(frame.marker, 0xc0) << i;
            EXPECT_EQ(frame.width, expected[i].width);
            EXPECT_EQ(frame.height, expected[i].height);
        }
        EXPECT_TRUE(facts.pictures[2].data == bytes("pic.jpg"));

        qputenv("LUMIVOX_COVER_MAX", "0");
        ASSERT_EQ(run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe", args, parallel), 0);
        facts = readMp3(mp3);
        ASSERT_EQ(facts.pictures.size(), 3u);
        EXPECT_TRUE(facts.pictures[0].data == bytes("large.png"));
        EXPECT_TRUE(facts.pictures[1].data == bytes("progressive.jpg"));
    }
    qunsetenv("LUMIVOX_COVER_MAX");
}

TEST(CoverFiles, FoundInOrderOfPreferenceAnyCase) {
    QTemporaryDir dir;
    for (const char* name :
         {"front.png", "Folder.JPEG", "cover.Png", "COVER.jpg", "cover.gif", "covers.jpg"}) {
        write(dir.filePath(name), {});
    }
    QDir(dir.path()).mkdir("cover.jpg");  // a folder is no cover
    const std::string base = dir.path().toStdString() + "/";
    EXPECT_EQ(findCoverFiles(dir.path().toStdString()),
              (std::vector<std::string>{base + "COVER.jpg", base + "cover.Png",
                                        base + "Folder.JPEG", base + "front.png"}));
    EXPECT_EQ(findCoverFile(base + "cover.jpg"), std::nullopt);
}

}  // namespace
