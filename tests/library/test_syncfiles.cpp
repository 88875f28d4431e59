#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "collection/imagetracks.h"
#include "library/id3record.h"
#include "library/outputtree.h"
#include "library/sourceprint.h"
#include "library/syncdecision.h"
#include "library/syncplan.h"
#include "library/syncrecord.h"

namespace {

using namespace lumivox::library;

bool run(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env) {
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    }
    p.setProcessEnvironment(e);
    p.start(program, args);
    p.waitForFinished(60000);
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    EXPECT_TRUE(ok) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                    << p.readAllStandardError().toStdString();
    return ok;
}

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The MP3 without its ID3v2 tag: the audio frames (and an ID3v1 tag at the end, if any).
QByteArray audioOf(const QString& mp3) {
    const QByteArray all = bytes(mp3);
    qsizetype size = 10;
    for (int i = 6; i < 10; ++i) {
        size += static_cast<qsizetype>(all[i] & 0x7f) << (7 * (9 - i));
    }
    return all.mid(size);
}

QString coder() {
    return QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe";
}

void makeFlac(const QString& path, int hz, const QString& title) {
    QDir().mkpath(QFileInfo(path).path());
    run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", QString("sine=f=%1:d=2").arg(hz),
                   "-ac", "2", "-sample_fmt", "s16", path});
    run("metaflac", {"--set-tag=TITLE=" + title, "--set-tag=ARTIST=Ann", path});
}

QString recordOf(const QString& source) {
    SyncRecord r;
    r.source = source;
    r.sound.md5 = "00";
    r.tags = "t";
    r.output = QStringLiteral("128k 44100 2ch cbr id3v2.4");
    return recordText(r);
}

// Encodes with the record as coder.exe gets it from the batch.
bool encode(const QString& flac, const QString& mp3, const QString& record,
            const QStringList& env = {}) {
    QStringList args{"-i", flac, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2"};
    if (!record.isEmpty()) {
        args << "-metadata" << kRecordField + u'=' + record;
    }
    return run(coder(), args << mp3, env);
}

bool retag(const QString& flac, const QString& mp3, const QString& record) {
    return run(coder(), {"--retag", "-i", flac, "-metadata", kRecordField + u'=' + record, mp3});
}

class SyncFiles : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(SyncFiles, PrintTellsTagsAndCoverFromSound) {
    const QString flac = path("src/Album 1/01.flac");
    makeFlac(flac, 440, "One");
    CoverPrints covers;
    const SourcePrint first = readSourcePrint(flac, covers);
    ASSERT_TRUE(first.flac);
    EXPECT_EQ(first.sound.md5.size(), 32) << "ffmpeg sets the MD5";

    run("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=One (remastered)", flac});
    const SourcePrint retagged = readSourcePrint(flac, covers);
    EXPECT_EQ(retagged.sound.md5, first.sound.md5);
    EXPECT_NE(retagged.tags, first.tags);
    EXPECT_EQ(hashAudio(flac, retagged.audioOffset), hashAudio(flac, first.audioOffset))
        << "a tagger leaves the frames as they were";

    // A cover beside a FLAC without pictures is what its MP3 will show.
    QFile cover(path("src/Album 1/cover.jpg"));
    ASSERT_TRUE(cover.open(QIODevice::WriteOnly));
    cover.write("not really a jpeg");
    cover.close();
    CoverPrints fresh;
    EXPECT_NE(readSourcePrint(flac, fresh).tags, retagged.tags);

    makeFlac(flac, 880, "One (remastered)");
    CoverPrints again;
    const SourcePrint replaced = readSourcePrint(flac, again);
    EXPECT_NE(replaced.sound.md5, first.sound.md5);
}

TEST_F(SyncFiles, FlacWithoutMd5IsHashedByItsFrames) {
    const QString flac = path("nomd5.flac");
    makeFlac(flac, 440, "One");
    QFile f(flac);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(4 + 4 + 18));  // "fLaC", the block header, STREAMINFO up to its MD5
    f.write(QByteArray(16, '\0'));
    f.close();
    CoverPrints covers;
    const SourcePrint print = readSourcePrint(flac, covers);
    EXPECT_TRUE(print.flac);
    EXPECT_TRUE(print.sound.md5.isEmpty());
    EXPECT_FALSE(hashAudio(flac, print.audioOffset).isEmpty());
}

class RecordInTag : public SyncFiles, public ::testing::WithParamInterface<const char*> {};

TEST_P(RecordInTag, TravelsWithTheFileAndSurvivesARetag) {
    const QStringList env{QStringLiteral("LUMIVOX_ID3=") + GetParam()};
    const QString flac = path("src/01 夜來香.flac");
    makeFlac(flac, 440, "One");
    const QString mp3 = path("out/01 夜來香.mp3");
    QDir().mkpath(path("out"));
    const QString record = recordOf(QStringLiteral("01 夜來香.flac"));
    ASSERT_TRUE(encode(flac, mp3, record, env));
    const auto read = readRecord(mp3);
    ASSERT_TRUE(read);
    EXPECT_EQ(recordText(*read), record);

    // Moved to another disk: the record is in the file itself.
    QDir().mkpath(path("other/disk"));
    const QString moved = path("other/disk/01 夜來香.mp3");
    ASSERT_TRUE(QFile::copy(mp3, moved));
    ASSERT_TRUE(readRecord(moved));
    EXPECT_EQ(readRecord(moved)->source, QStringLiteral("01 夜來香.flac"));

    const QByteArray audioBefore = audioOf(mp3);
    run("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=Brand New Title", flac});
    const QString newer = recordOf(QStringLiteral("01 夜來香.flac")) + QStringLiteral(" x=1");
    ASSERT_TRUE(
        run(coder(), {"--retag", "-i", flac, "-metadata", kRecordField + u'=' + newer, mp3}, env));
    const QByteArray after = audioOf(mp3);
    if (QByteArray(GetParam()) == "2.3") {
        // The ID3v1 tag at the end carries the title too; the frames before it stay.
        EXPECT_EQ(after.chopped(128), audioBefore.chopped(128));
        EXPECT_TRUE(after.right(128).contains("Brand New Title"));
    } else {
        EXPECT_EQ(after, audioBefore) << "a tag update keeps the sound byte for byte";
    }
    EXPECT_EQ(readRecord(mp3)->source, QStringLiteral("01 夜來香.flac"));
    EXPECT_EQ(readUserText(mp3, kRecordField), newer);
    EXPECT_FALSE(QFileInfo::exists(path("out/.lumivox-sync-x.mp3")));
}

INSTANTIATE_TEST_SUITE_P(Versions, RecordInTag, ::testing::Values("2.4", "2.3"));

TEST_F(SyncFiles, RetagOfAMissingMp3Fails) {
    const QString flac = path("a.flac");
    makeFlac(flac, 440, "One");
    QProcess p;
    p.start(coder(), {"--retag", "-i", flac, path("none.mp3")});
    p.waitForFinished(30000);
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(path("none.mp3")));
}

// Only MP3s with a record whose source is gone are offered; the user's own files, covers and
// the folders holding them stay.
TEST_F(SyncFiles, GoneSourcesOnlyTouchRecordedMp3s) {
    makeFlac(path("src/Album 1/01.flac"), 440, "One");
    const QString out = path("out/src");
    QDir().mkpath(out + "/Album 1");
    QDir().mkpath(out + "/Album 2");
    QDir().mkpath(out + "/Album 3/CD1");
    const QString kept = out + "/Album 1/01.mp3";
    ASSERT_TRUE(encode(path("src/Album 1/01.flac"), kept, recordOf("Album 1/01.flac")));
    ASSERT_TRUE(QFile::copy(kept, out + "/Album 2/02.mp3"));
    ASSERT_TRUE(
        retag(path("src/Album 1/01.flac"), out + "/Album 2/02.mp3", recordOf("Album 2/02.flac")));
    ASSERT_TRUE(QFile::copy(kept, out + "/Album 3/CD1/03.mp3"));
    ASSERT_TRUE(retag(path("src/Album 1/01.flac"), out + "/Album 3/CD1/03.mp3",
                      recordOf("Album 3/CD1/03.flac")));
    // The user's own: no record, in the folder of a gone album, with a cover.
    ASSERT_TRUE(encode(path("src/Album 1/01.flac"), out + "/Album 2/mine.mp3", QString()));
    QFile cover(out + "/Album 2/cover.jpg");
    ASSERT_TRUE(cover.open(QIODevice::WriteOnly));
    cover.close();

    const QList<RecordedMp3> all = recordedMp3s(out);
    ASSERT_EQ(all.size(), 3) << "the user's own MP3 carries no record";
    const QList<RecordedMp3> gone = goneSources(all, path("src"));
    ASSERT_EQ(gone.size(), 2);
    EXPECT_TRUE(removalQuestion(gone, out).startsWith(
        QStringLiteral("源文件已不存在的 2 个 MP3 要删除吗？\nAlbum 2/02.mp3")));

    EXPECT_EQ(removeMp3s(gone, out), 2);
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_TRUE(QFileInfo::exists(out + "/Album 2/mine.mp3"));
    EXPECT_TRUE(QFileInfo::exists(out + "/Album 2/cover.jpg"));
    EXPECT_FALSE(QFileInfo::exists(out + "/Album 2/02.mp3"));
    EXPECT_FALSE(QFileInfo::exists(out + "/Album 3")) << "folders left empty go";
    EXPECT_TRUE(QFileInfo::exists(out)) << "never the root";
}

}  // namespace

namespace {

const QString kKey = QStringLiteral("128k 44100 2ch cbr id3v2.4");

// The planner over real files: new, unchanged (found by its record, not its name), tags
// changed, and a user's file at the stable name.
TEST_F(SyncFiles, PlannerFindsEachSourcesMp3ByItsRecord) {
    const QString scanned = path("lib");
    makeFlac(scanned + "/A/01.flac", 440, "One");
    makeFlac(scanned + "/A/02.flac", 550, "Two");
    const QString out = path("out/");
    const QString folder = out + "lib/A/";
    QDir().mkpath(folder);

    SyncPlanner first(out);
    const SyncStep one =
        first.plan(scanned + "/A/01.flac", scanned + "/A/01.flac", scanned, folder, kKey);
    EXPECT_EQ(one.action, SyncAction::Encode);
    EXPECT_EQ(one.mp3, folder + "01.mp3");
    EXPECT_FALSE(one.userFileAtName);
    // The user's own 02.mp3 is there already.
    ASSERT_TRUE(encode(scanned + "/A/02.flac", folder + "02.mp3", QString()));
    const SyncStep two =
        first.plan(scanned + "/A/02.flac", scanned + "/A/02.flac", scanned, folder, kKey);
    EXPECT_EQ(two.action, SyncAction::Encode);
    EXPECT_TRUE(two.userFileAtName);
    EXPECT_TRUE(two.mp3.isEmpty());
    // Written as the batch does: the record in the tag, 02 under another name.
    ASSERT_TRUE(encode(scanned + "/A/01.flac", folder + "01.mp3", one.record));
    ASSERT_TRUE(encode(scanned + "/A/02.flac", folder + "02_1234.mp3", two.record));

    SyncPlanner again(out);
    EXPECT_EQ(
        again.plan(scanned + "/A/01.flac", scanned + "/A/01.flac", scanned, folder, kKey).action,
        SyncAction::Skip);
    const SyncStep twoAgain =
        again.plan(scanned + "/A/02.flac", scanned + "/A/02.flac", scanned, folder, kKey);
    EXPECT_EQ(twoAgain.action, SyncAction::Skip) << "not written again beside the user's file";
    EXPECT_EQ(twoAgain.mp3, folder + "02_1234.mp3");

    run("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=Uno", scanned + "/A/01.flac"});
    SyncPlanner third(out);
    EXPECT_EQ(
        third.plan(scanned + "/A/01.flac", scanned + "/A/01.flac", scanned, folder, kKey).action,
        SyncAction::Retag);
    EXPECT_TRUE(third.gone().isEmpty());
    // A source planned in this batch is present even where its shown name is not on the disk
    // (a name that is not UTF-8, reached through a link).
    SyncPlanner linked(out);
    linked.plan(scanned + "/A/02.flac", scanned + "/A/01.flac", scanned, folder, kKey);
    QFile::rename(scanned + "/A/02.flac", scanned + "/A/02.flac.away");
    EXPECT_TRUE(linked.gone().isEmpty());
    QFile::rename(scanned + "/A/02.flac.away", scanned + "/A/02.flac");

    QFile::remove(scanned + "/A/02.flac");
    SyncPlanner fourth(out);
    fourth.plan(scanned + "/A/01.flac", scanned + "/A/01.flac", scanned, folder, kKey);
    const auto gone = fourth.gone();
    ASSERT_EQ(gone.size(), 1);
    ASSERT_EQ(gone.front().mp3s.size(), 1);
    EXPECT_EQ(gone.front().mp3s.front().path, folder + "02_1234.mp3");
}

}  // namespace

namespace {

// The image rules name a track; sync must find the same name, or every run would write anew.
TEST(TrackNames, StableNameIsTheImageRulesFirstChoice) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    for (const auto& [number, title] :
         {std::pair{1, QStringLiteral("夜來香")}, std::pair{12, QStringLiteral("AC/DC: Live?")},
          std::pair{3, QString(300, u'長')}}) {
        lumivox::cue::ImageTrack track;
        track.number = number;
        track.title = title;
        EXPECT_EQ(stableTrackPath(folder, number, title),
                  lumivox::cue::uniqueTrackPath(folder, track));
    }
}

}  // namespace
