// Loudness: ReplayGain tags against ffmpeg's own EBU R128 meter, and the gain coder.exe puts on
// the sound for a track and for an album, on both encodes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "tools/flacwav.h"
#include "tools/loudness/loudness.h"

namespace {

using namespace lumivox::tools;

struct ToolRun {
    int status = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env) {
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    }
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(180000);
    ToolRun r{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
              QString::fromUtf8(p.readAll())};
    EXPECT_EQ(r.status, 0) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                           << r.output.toStdString();
    return r;
}

// ffmpeg's ebur128 filter, an implementation of its own: integrated loudness and true peak (dB).
struct Reference {
    double lufs = NAN;
    double peakDb = NAN;
};
Reference reference(const QString& file) {
    const QString out =
        run("ffmpeg", {"-nostats", "-i", file, "-af", "ebur128=peak=true", "-f", "null", "-"})
            .output.section("Summary:", 1);
    Reference r;
    r.lufs = QRegularExpression(R"(I:\s+(-?[\d.]+) LUFS)").match(out).captured(1).toDouble();
    r.peakDb = QRegularExpression(R"(Peak:\s+(-?[\d.]+) dBFS)").match(out).captured(1).toDouble();
    return r;
}

// The MP3's TXXX field, by ffprobe.
QString tag(const QString& mp3, const QString& name) {
    return run("ffprobe", {"-v", "error", "-show_entries", "format_tags=" + name, "-of",
                           "default=nw=1:nk=1", mp3})
        .output.trimmed();
}

double dbOf(double linear) {
    return 20 * std::log10(linear);
}

class Loudness : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(path("work"));
        // Music-like: a sweep with tones switching on and off, noise bursts over a low tone.
        const QString music =
            "aevalsrc=exprs='%1*(0.5*sin(2*PI*(200+150*t)*t)+0.4*sin(2*PI*660*t)*lt(mod(t,0.7),"
            "0.3))|%1*(0.8*(random(0)-0.5)*lt(mod(t,1.1),0.4)+0.3*sin(2*PI*110*t))':s=44100:d=%2";
        for (const auto& [name, level, seconds] : {std::tuple{"loud.flac", "1.0", "25"},
                                                   {"quiet.flac", "0.05", "25"},
                                                   {"short.flac", "0.3", "8"}}) {
            run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", music.arg(level).arg(seconds),
                           "-metadata", "title=Probe", "-metadata",
                           "REPLAYGAIN_TRACK_GAIN=+9.00 dB", path(name)});
        }
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static QString path(const QString& name) { return dir_->filePath(name); }
    static ToolRun coder(const QString& in, const QString& out, const QString& mode,
                         const QString& parallel = "3") {
        QFile::remove(path(out));
        return run(
            QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
            {"-i", path(in), "-y", "-vn", "-ar", "44100", "-ab", "192k", "-ac", "2", path(out)},
            {"LUMIVOX_LOUDNESS=" + mode, "LUMIVOX_PARALLEL=" + parallel,
             "LUMIVOX_TMP=" + path("work"), "LUMIVOX_ALBUM=" + path("album.txt")});
    }
    static std::unique_ptr<QTemporaryDir> dir_;
};
std::unique_ptr<QTemporaryDir> Loudness::dir_;

// "tags": the gain and peak a second meter finds, in the usual text, the sound untouched.
TEST_F(Loudness, TagsAgreeWithAReferenceMeterAndLeaveTheSoundAlone) {
    QFile::remove(path("album.txt"));
    for (const QString& input : {QStringLiteral("loud.flac"), QStringLiteral("quiet.flac")}) {
        SCOPED_TRACE(input.toStdString());
        const Reference ref = reference(path(input));
        coder(input, "tags.mp3", "tags");
        coder(input, "off.mp3", "off");
        const QString gain = tag(path("tags.mp3"), "REPLAYGAIN_TRACK_GAIN");
        EXPECT_TRUE(QRegularExpression(R"(^[-+]?\d+\.\d\d dB$)").match(gain).hasMatch())
            << gain.toStdString();
        EXPECT_NEAR(gain.section(' ', 0, 0).toDouble(), -18 - ref.lufs, 0.5);
        const QString peak = tag(path("tags.mp3"), "REPLAYGAIN_TRACK_PEAK");
        EXPECT_TRUE(QRegularExpression(R"(^\d\.\d{6}$)").match(peak).hasMatch())
            << peak.toStdString();
        EXPECT_NEAR(dbOf(peak.toDouble()), ref.peakDb, 0.5);
        // Alone, the file is its own album.
        EXPECT_EQ(tag(path("tags.mp3"), "REPLAYGAIN_ALBUM_GAIN"), gain);
        const auto pcm = [&](const QString& f) {
            return run("ffmpeg", {"-v", "error", "-i", path(f), "-f", "s16le", "-"}).output;
        };
        EXPECT_TRUE(pcm("tags.mp3") == pcm("off.mp3"));
        // Off: the FLAC's own field, as before.
        EXPECT_EQ(tag(path("off.mp3"), "REPLAYGAIN_TRACK_GAIN"), "+9.00 dB");
    }
}

// "track": each MP3 plays at -18 LUFS unless its true peak would pass -1 dBTP; the tags say what
// is left to do. The same on the pieces and the plain ffmpeg encode.
TEST_F(Loudness, TrackGainReachesTheReferenceWithinItsPeakLimit) {
    QFile::remove(path("album.txt"));
    for (const QString& parallel : {QStringLiteral("3"), QStringLiteral("0")}) {
        for (const QString& input : {QStringLiteral("quiet.flac"), QStringLiteral("loud.flac")}) {
            SCOPED_TRACE((input + " " + parallel).toStdString());
            const Reference before = reference(path(input));
            coder(input, "track.mp3", "track", parallel);
            const Reference after = reference(path("track.mp3"));
            const double wanted = -18 - before.lufs;
            const double limit = -1 - before.peakDb;
            if (wanted <= limit - 0.5) {
                EXPECT_NEAR(after.lufs, -18, 1.0);
            } else {
                EXPECT_NEAR(after.lufs, before.lufs + limit, 1.0);  // held back by the peak
            }
            EXPECT_LE(after.peakDb, -1 + 0.5);  // the MP3 itself may overshoot a little
            const double left = tag(path("track.mp3"), "REPLAYGAIN_TRACK_GAIN").toDouble();
            EXPECT_NEAR(after.lufs + left, -18, 1.0);
            EXPECT_LE(tag(path("track.mp3"), "REPLAYGAIN_TRACK_PEAK").toDouble(), 0.8913);
        }
    }
}

// "album": one gain for every track of the album listed, so their difference stays.
TEST_F(Loudness, AlbumGainIsOneForTheAlbumAndKeepsTheTracksApart) {
    QFile f(path("album.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((path("loud.flac") + "\n" + path("quiet.flac") + "\n").toUtf8());
    f.close();
    const ToolRun loud = coder("loud.flac", "a1.mp3", "album");
    const ToolRun quiet = coder("quiet.flac", "a2.mp3", "album");
    const QRegularExpression gain(R"(gain (-?[\d.]+) dB)");
    const double g1 = gain.match(loud.output).captured(1).toDouble();
    EXPECT_DOUBLE_EQ(g1, gain.match(quiet.output).captured(1).toDouble())
        << quiet.output.toStdString();
    const Reference r1 = reference(path("a1.mp3")), r2 = reference(path("a2.mp3"));
    const Reference s1 = reference(path("loud.flac")), s2 = reference(path("quiet.flac"));
    EXPECT_NEAR(r1.lufs - r2.lufs, s1.lufs - s2.lufs, 0.5);
    EXPECT_LE(std::max(r1.peakDb, r2.peakDb), -1 + 0.5);
    EXPECT_EQ(tag(path("a1.mp3"), "REPLAYGAIN_ALBUM_GAIN"),
              tag(path("a2.mp3"), "REPLAYGAIN_ALBUM_GAIN"));
    // The album is both tracks: its loudness lies between theirs.
    const double albumLufs =
        QRegularExpression(R"(album (-?[\d.]+) LUFS)").match(loud.output).captured(1).toDouble();
    EXPECT_GT(albumLufs, s2.lufs);
    EXPECT_LT(albumLufs, s1.lufs + 0.5);
    QFile::remove(path("album.txt"));
}

// sox.exe's decode measures on the way; the encode then takes that measurement, and it is the
// one a separate measurement gives. A span of it is measured as that span alone.
TEST_F(Loudness, TheDecodesMeasurementIsKeptAndSpansMeasureAlone) {
    QDir(path("work")).removeRecursively();
    QDir().mkpath(path("work"));
    // sox.exe decodes 16-bit FLAC itself (the others here are 24-bit, measured by coder.exe).
    run("ffmpeg",
        {"-v", "error", "-y", "-i", path("loud.flac"), "-sample_fmt", "s16", path("loud16.flac")});
    run(QStringLiteral(LUMIVOX_DATA_DIR) + "/sox.exe", {path("loud16.flac"), path("work/tmp.wav")},
        {"LUMIVOX_LOUDNESS=tags", "LUMIVOX_PARALLEL=3", "LUMIVOX_TMP=" + path("work")});
    qputenv("LUMIVOX_TMP", path("work").toLocal8Bit());
    const auto kept = loadProfile(profilePathOf(path("loud16.flac").toStdString()));
    ASSERT_TRUE(kept);
    const auto alone = measureFlac(path("loud16.flac").toStdString(), 1);
    ASSERT_TRUE(alone);
    ASSERT_EQ(kept->blocks.size(), alone->blocks.size());
    const auto whole = measureSpans({{&*kept}});
    EXPECT_NEAR(whole.lufs, measureSpans({{&*alone}}).lufs, 0.01);
    EXPECT_NEAR(whole.peak, measureSpans({{&*alone}}).peak, 1e-4);
    EXPECT_NEAR(whole.lufs, reference(path("loud.flac")).lufs, 0.2);

    // The first 10 s as a file of its own against that span of the whole.
    run("ffmpeg", {"-v", "error", "-y", "-i", path("loud16.flac"), "-t", "10", path("part.flac")});
    const auto part = measureFlac(path("part.flac").toStdString(), 2);
    ASSERT_TRUE(part);
    EXPECT_NEAR(measureSpans({{&*kept, 0, 441000}}).lufs, measureSpans({{&*part}}).lufs, 0.05);
    qunsetenv("LUMIVOX_TMP");
}

TEST(LoudnessText, GainAndPeakReadAsReplayGainWritesThem) {
    EXPECT_EQ(gainText(-6.4849), "-6.48 dB");
    EXPECT_EQ(gainText(3.5), "3.50 dB");
    EXPECT_EQ(peakText(0.9885534), "0.988553");
    // The peak holds the gain back: -1 dBTP at most.
    EXPECT_NEAR(normalizingGain({-30.0, 0.5}), -1 - dbOf(0.5), 1e-9);
    EXPECT_NEAR(normalizingGain({-10.0, 1.0}), -8.0, 1e-9);
    EXPECT_EQ(normalizingGain({-HUGE_VAL, 0.0}), 0.0);
}

}  // namespace
