// Every lossless format through the batch's two adapter steps, as the window runs them:
//   sox.exe in.ape tmp.wav
//   coder.exe -i in.ape -y -vn -ar 44100 -ab 128k -ac 2 out.mp3
// on files made here: ffmpeg makes ALAC, TTA and RF64, `wavpack` WavPack, sox WAV and AIFF,
// JMAC (libjmac-java) Monkey's Audio, and DSF and DSDIFF are written below.
#include <gtest/gtest.h>
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "tests/common/dsdfiles.h"

namespace {

using lumivox::testing::dffFile;
using lumivox::testing::dsfFile;

struct ToolRun {
    int status = -1;
    QByteArray output;
};

ToolRun run(const QString& program, const QStringList& args, const QString& work = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    if (!work.isEmpty()) {
        e.insert("LUMIVOX_TMP", work);
    }
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(180000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

void make(const QString& program, const QStringList& args) {
    const ToolRun r = run(program, args);
    ASSERT_EQ(r.status, 0) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                           << r.output.toStdString();
}

QByteArray decoded(const QString& path) {
    return run("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-"}).output;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray id3Tag(const char* title) {
    TagLib::ID3v2::Tag tag;
    tag.setTitle(TagLib::String(title, TagLib::String::UTF8));
    tag.setArtist("DSD Artist");
    tag.setAlbum("DSD Album");
    const TagLib::ByteVector bytes = tag.render();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

class Lossless : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        work = new QTemporaryDir;
        QFile::setPermissions(work->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // 25 s: long enough for the encode in pieces.
        make("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", path("src.wav"), "synth", "25",
                     "pinknoise", "gain", "-8"});
        make("flac", {"-s", "-f", path("src.wav"), "-o", path("src.flac")});
        make("ffmpeg",
             {"-v", "error", "-y", "-i", path("src.wav"), "-c:a", "alac", path("src.m4a")});
        make("ffmpeg", {"-v", "error", "-y", "-i", path("src.wav"), path("src.tta")});
        make("wavpack", {"-q", "-y", path("src.wav"), "-o", path("src.wv")});
        make("sox", {path("src.wav"), path("src.aiff")});
        if (!QStandardPaths::findExecutable("jmac").isEmpty()) {
            make("jmac", {"c2", path("src.wav"), path("src.ape")});
        }
        make("sox", {path("src.wav"), "-b", "24", path("src24.wav")});
        make("ffmpeg",
             {"-v", "error", "-y", "-i", path("src.wav"), "-rf64", "always", path("rf64.wav")});
        // WAVE_FORMAT_EXTENSIBLE: ffmpeg writes it for 24 bits.
        make("ffmpeg",
             {"-v", "error", "-y", "-i", path("src.wav"), "-c:a", "pcm_s24le", path("ext.wav")});
        QFile::copy(path("src.flac"), path("flac-named.ape"));
        writeFile(path("tone.dsf"), dsfFile(2822400LL * 21, id3Tag("DSF Title")));
        writeFile(path("tone.dff"), dffFile(2822400LL * 21, id3Tag("DFF Title")));
        make("ffmpeg", {"-v", "error", "-y", "-i", path("src.wav"), "-c:a", "aac", "-b:a", "96k",
                        path("lossy.m4a")});
    }
    static void TearDownTestSuite() {
        delete dir;
        delete work;
    }
    static QString path(const QString& name) { return dir->filePath(name); }

    // The batch's two steps; the MP3's path, or empty when coder.exe failed. `said` gets both
    // adapters' text.
    static QString convert(const QString& source, QByteArray* said = nullptr) {
        const QString wav = work->filePath("tmp.wav");
        QFile::remove(wav);
        const QString mp3 = path(QFileInfo(source).fileName() + ".mp3");
        QFile::remove(mp3);
        const ToolRun decode =
            run(QStringLiteral(LUMIVOX_DATA_DIR) + "/sox.exe", {source, wav}, work->path());
        const ToolRun encode =
            run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
                {"-i", source, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", mp3},
                work->path());
        if (said) {
            *said = decode.output + encode.output;
        }
        return encode.status == 0 ? mp3 : QString();
    }

    static QTemporaryDir* dir;
    static QTemporaryDir* work;
};
QTemporaryDir* Lossless::dir = nullptr;
QTemporaryDir* Lossless::work = nullptr;

// Each format's MP3 is the FLAC's, sample for sample, and exactly its length.
TEST_F(Lossless, EveryFormatGivesTheFlacsMp3) {
    const QString flacMp3 = convert(path("src.flac"));
    ASSERT_FALSE(flacMp3.isEmpty());
    const QByteArray reference = decoded(flacMp3);
    ASSERT_EQ(reference.size(), 25 * 44100 * 4);
    for (const char* name :
         {"src.m4a", "src.tta", "src.wv", "src.aiff", "src.ape", "rf64.wav", "flac-named.ape"}) {
        if (!QFile::exists(path(name))) {
            ADD_FAILURE() << name << " was not made (is libjmac-java installed?)";
            continue;
        }
        QByteArray said;
        const QString mp3 = convert(path(name), &said);
        ASSERT_FALSE(mp3.isEmpty()) << name << "\n" << said.toStdString();
        EXPECT_TRUE(decoded(mp3) == reference) << name;
    }
}

// 24-bit and DSD sources: every sample there, at the output rate.
TEST_F(Lossless, DeepAndDsdSourcesKeepTheirLength) {
    const struct {
        const char* name;
        qint64 samples;  // at 44.1 kHz
    } cases[] = {{"src24.wav", 25 * 44100},
                 {"ext.wav", 25 * 44100},
                 {"tone.dsf", 21 * 44100},
                 {"tone.dff", 21 * 44100}};
    for (const auto& c : cases) {
        QByteArray said;
        const QString mp3 = convert(path(c.name), &said);
        ASSERT_FALSE(mp3.isEmpty()) << c.name << "\n" << said.toStdString();
        EXPECT_EQ(decoded(mp3).size() / 4, c.samples) << c.name;
    }
}

// The DSD's tone comes through, its ultrasonic noise does not drown it: the MP3 is loud.
TEST_F(Lossless, DsdSoundsAsItsTone) {
    const QString mp3 = convert(path("tone.dsf"));
    ASSERT_FALSE(mp3.isEmpty());
    const QByteArray pcm = decoded(mp3);
    double sum = 0;
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype n = pcm.size() / 2;
    for (qsizetype i = n / 4; i < n / 2; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
    }
    const double rms = std::sqrt(sum / static_cast<double>(n / 4)) / 32768;
    // A half-scale sine is 0.35 RMS; DSD's 0 dB is half its modulation, so allow for either.
    EXPECT_GT(rms, 0.1);
    EXPECT_LT(rms, 0.6);
}

TEST_F(Lossless, LossyAacIsRefusedWithNoMp3) {
    QByteArray said;
    EXPECT_TRUE(convert(path("lossy.m4a"), &said).isEmpty());
    EXPECT_TRUE(said.contains("AAC audio is lossy")) << said.toStdString();
    EXPECT_FALSE(QFile::exists(path("lossy.m4a.mp3")));
}

// A cut or corrupt source names its damage and leaves no MP3, not even a partial one.
TEST_F(Lossless, DamagedSourcesFailWithTheirDamage) {
    const auto cut = [](const char* from, const QString& to, double keep) {
        QFile in(path(from));
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        writeFile(path(to), in.read(static_cast<qint64>(static_cast<double>(in.size()) * keep)));
    };
    cut("src.wv", "cut.wv", 0.5);
    cut("src.tta", "cut.tta", 0.6);
    cut("src.wav", "cut.wav", 0.5);
    cut("src.aiff", "cut.aiff", 0.7);
    cut("src.m4a", "cut.m4a", 0.5);
    QStringList damaged = {"cut.wv", "cut.tta", "cut.wav", "cut.aiff", "cut.m4a"};
    if (QFile::exists(path("src.ape"))) {
        cut("src.ape", "cut.ape", 0.5);
        damaged << "cut.ape";
    }
    // Bytes in the middle of a WavPack block overwritten: its check sums disagree.
    QFile src(path("src.wv"));
    ASSERT_TRUE(src.open(QIODevice::ReadOnly));
    QByteArray flipped = src.readAll();
    for (qsizetype i = flipped.size() / 2; i < flipped.size() / 2 + 64; ++i) {
        flipped[i] = static_cast<char>(~flipped[i]);
    }
    writeFile(path("flipped.wv"), flipped);
    damaged << "flipped.wv";
    for (const QString& name : damaged) {
        QByteArray said;
        EXPECT_TRUE(convert(path(name), &said).isEmpty()) << name.toStdString();
        EXPECT_TRUE(said.contains("coder.exe: " + path(name).toUtf8() + ": "))
            << name.toStdString() << "\n"
            << said.toStdString();
        EXPECT_FALSE(QFile::exists(path(name + ".mp3"))) << name.toStdString();
        EXPECT_TRUE(
            QDir(dir->path()).entryList({".lumivox-*"}, QDir::Hidden | QDir::Files).isEmpty());
    }
}

// A video's .mp4 is no ALAC to refuse: its sound is extracted as before.
TEST_F(Lossless, AnMp4VideoIsNotTakenForAnM4a) {
    QFile::remove(path("clip.mp4"));
    QFile::copy(path("lossy.m4a"), path("clip.mp4"));
    QByteArray said;
    EXPECT_FALSE(convert(path("clip.mp4"), &said).isEmpty()) << said.toStdString();
    EXPECT_FALSE(said.contains("lossy")) << said.toStdString();
}

// The next file is not taken for the refused one: the note names the refused file alone.
TEST_F(Lossless, ARefusalHoldsForItsFileAlone) {
    ASSERT_TRUE(convert(path("lossy.m4a")).isEmpty());
    const QString mp3 = path("src.tta.mp3");
    QFile::remove(mp3);
    const ToolRun encode =
        run(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
            {"-i", path("src.tta"), "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", mp3},
            work->path());
    EXPECT_EQ(encode.status, 0) << encode.output.toStdString();
    EXPECT_TRUE(QFile::exists(mp3));
}

TagLib::ByteVector bytesOf(const QString& path) {
    QFile f(path);
    const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return TagLib::ByteVector(b.constData(), static_cast<unsigned int>(b.size()));
}

TagLib::String utf8(const char* text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

// The fields rippers write into APEv2 (foobar2000, EAC, Monkey's Audio), with both covers.
void fillApe(TagLib::APE::Tag& tag, const QString& front, const QString& back) {
    tag.addValue("Title", utf8("标题 APE"));
    tag.addValue("Artist", "Artist");
    tag.addValue("Album", "Album");
    tag.addValue("Album Artist", "Album Artist");
    tag.addValue("Track", "3/12");
    tag.addValue("Disc", "1/2");
    tag.addValue("Year", "2001");
    tag.addValue("Genre", "Rock");
    tag.addValue("Comment", "A comment");
    tag.addValue("Composer", "Composer");
    tag.setItem("Cover Art (Back)",
                TagLib::APE::Item("Cover Art (Back)",
                                  TagLib::ByteVector("back.png", 9) + bytesOf(back), true));
    tag.setItem("Cover Art (Front)",
                TagLib::APE::Item("Cover Art (Front)",
                                  TagLib::ByteVector("front.jpg", 10) + bytesOf(front), true));
}

void fillId3(TagLib::ID3v2::Tag& tag, const QString& front) {
    tag.setTitle(utf8("标题 ID3"));
    tag.setArtist("Artist");
    tag.setAlbum("Album");
    tag.setGenre("Rock");
    tag.setComment("A comment");
    tag.setYear(2001);
    TagLib::PropertyMap more;
    more.insert("ALBUMARTIST", TagLib::StringList("Album Artist"));
    more.insert("TRACKNUMBER", TagLib::StringList("3/12"));
    more.insert("DISCNUMBER", TagLib::StringList("1/2"));
    more.insert("COMPOSER", TagLib::StringList("Composer"));
    TagLib::PropertyMap all = tag.properties();
    all.merge(more);
    tag.setProperties(all);
    auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
    picture->setMimeType("image/jpeg");
    picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    picture->setPicture(bytesOf(front));
    tag.addFrame(picture);
}

struct Mp3Tag {
    std::map<std::string, std::string> text;  // frame id: first text
    std::vector<int> pictureTypes;
};

Mp3Tag readMp3Tag(const QString& mp3) {
    Mp3Tag out;
    TagLib::MPEG::File f(QFile::encodeName(mp3).constData(), false);
    TagLib::ID3v2::Tag* tag = f.ID3v2Tag();
    if (!tag) {
        return out;
    }
    for (const char* id :
         {"TIT2", "TPE1", "TALB", "TPE2", "TRCK", "TPOS", "TDRC", "TCON", "TCOM"}) {
        const TagLib::ID3v2::FrameList frames = tag->frameList(id);
        if (!frames.isEmpty()) {
            out.text[id] = frames.front()->toString().to8Bit(true);
        }
    }
    if (!tag->comment().isEmpty()) {
        out.text["COMM"] = tag->comment().to8Bit(true);
    }
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        out.pictureTypes.push_back(static_cast<int>(
            dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame)->type()));
    }
    return out;
}

// Each container's fields reach the MP3 through the one mapping table.
TEST_F(Lossless, TagsAndPicturesOfEveryContainer) {
    make("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=s=64x64", "-frames:v", "1",
                    path("front.jpg")});
    make("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=s=32x32", "-frames:v", "1",
                    path("back.png")});
    const QString front = path("front.jpg"), back = path("back.png");
    const auto copy = [](const char* from, const char* to) {
        QFile::remove(path(to));
        EXPECT_TRUE(QFile::copy(path(from), path(to)));
        return QFile::encodeName(path(to)).toStdString();
    };
    QStringList apeFamily;
    if (QFile::exists(path("src.ape"))) {
        TagLib::APE::File ape(copy("src.ape", "tagged.ape").c_str());
        fillApe(*ape.APETag(true), front, back);
        ASSERT_TRUE(ape.save());
        apeFamily << "tagged.ape";
    }
    {
        TagLib::WavPack::File wv(copy("src.wv", "tagged.wv").c_str());
        fillApe(*wv.APETag(true), front, back);
        ASSERT_TRUE(wv.save());
        apeFamily << "tagged.wv";
    }
    {
        // TagLib writes no APEv2 into TTA; rippers do, at the end of the file.
        TagLib::APE::Tag tag;
        fillApe(tag, front, back);
        const TagLib::ByteVector rendered = tag.render();
        QFile f(QString::fromStdString(copy("src.tta", "tagged.tta")));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(rendered.data(), rendered.size());
        apeFamily << "tagged.tta";
    }
    for (const QString& name : apeFamily) {
        QByteArray said;
        const QString mp3 = convert(path(name), &said);
        ASSERT_FALSE(mp3.isEmpty()) << name.toStdString() << "\n" << said.toStdString();
        const Mp3Tag t = readMp3Tag(mp3);
        const std::map<std::string, std::string> expected = {
            {"TIT2", "标题 APE"}, {"TPE1", "Artist"},   {"TALB", "Album"}, {"TPE2", "Album Artist"},
            {"TRCK", "3/12"},     {"TPOS", "1/2"},      {"TDRC", "2001"},  {"TCON", "Rock"},
            {"TCOM", "Composer"}, {"COMM", "A comment"}};
        EXPECT_EQ(t.text, expected) << name.toStdString();
        EXPECT_EQ(t.pictureTypes, (std::vector<int>{3, 4})) << name.toStdString();
    }
    {
        TagLib::MP4::File m4a(copy("src.m4a", "tagged.m4a").c_str());
        TagLib::MP4::Tag* tag = m4a.tag();
        tag->setItem("\251nam", TagLib::StringList(utf8("标题 MP4")));
        tag->setItem("\251ART", TagLib::StringList("Artist"));
        tag->setItem("\251alb", TagLib::StringList("Album"));
        tag->setItem("aART", TagLib::StringList("Album Artist"));
        tag->setItem("trkn", TagLib::MP4::Item(3, 12));
        tag->setItem("disk", TagLib::MP4::Item(1, 2));
        tag->setItem("\251day", TagLib::StringList("2001"));
        tag->setItem("\251gen", TagLib::StringList("Rock"));
        tag->setItem("\251wrt", TagLib::StringList("Composer"));
        tag->setItem("\251cmt", TagLib::StringList("A comment"));
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, bytesOf(front)));
        tag->setItem("covr", covers);
        ASSERT_TRUE(m4a.save());
        const Mp3Tag t = readMp3Tag(convert(path("tagged.m4a")));
        const std::map<std::string, std::string> expected = {
            {"TIT2", "标题 MP4"}, {"TPE1", "Artist"},   {"TALB", "Album"}, {"TPE2", "Album Artist"},
            {"TRCK", "3/12"},     {"TPOS", "1/2"},      {"TDRC", "2001"},  {"TCON", "Rock"},
            {"TCOM", "Composer"}, {"COMM", "A comment"}};
        EXPECT_EQ(t.text, expected);
        EXPECT_EQ(t.pictureTypes, std::vector<int>{3});
    }
    {
        TagLib::RIFF::WAV::File wav(copy("src.wav", "tagged.wav").c_str());
        fillId3(*wav.ID3v2Tag(), front);
        ASSERT_TRUE(wav.save(TagLib::RIFF::WAV::File::ID3v2));
        TagLib::RIFF::AIFF::File aiff(copy("src.aiff", "tagged.aiff").c_str());
        fillId3(*aiff.tag(), front);
        ASSERT_TRUE(aiff.save());
    }
    for (const char* name : {"tagged.wav", "tagged.aiff"}) {
        Mp3Tag t = readMp3Tag(convert(path(name)));
        EXPECT_EQ(t.text["TIT2"], "标题 ID3") << name;
        EXPECT_EQ(t.text["TPE2"], "Album Artist") << name;
        EXPECT_EQ(t.text["TRCK"], "3/12") << name;
        EXPECT_EQ(t.text["TCOM"], "Composer") << name;
        EXPECT_EQ(t.pictureTypes, std::vector<int>{3}) << name;
    }
    // RIFF INFO alone, as ffmpeg and many editors write it.
    make("ffmpeg",
         {"-v", "error", "-y", "-i", path("src.wav"), "-metadata", "title=Info Title", "-metadata",
          "artist=Info Artist", "-metadata", "album=Info Album", path("info.wav")});
    Mp3Tag info = readMp3Tag(convert(path("info.wav")));
    EXPECT_EQ(info.text["TIT2"], "Info Title");
    EXPECT_EQ(info.text["TPE1"], "Info Artist");
    EXPECT_EQ(info.text["TALB"], "Info Album");
    // DSF's tag where its header points, DSDIFF's in its ID3 chunk.
    for (const auto& [name, title] :
         {std::pair{"tone.dsf", "DSF Title"}, std::pair{"tone.dff", "DFF Title"}}) {
        Mp3Tag t = readMp3Tag(convert(path(name)));
        EXPECT_EQ(t.text["TIT2"], title) << name;
        EXPECT_EQ(t.text["TPE1"], "DSD Artist") << name;
    }
}

}  // namespace
