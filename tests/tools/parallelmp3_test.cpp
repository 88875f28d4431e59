// coder.exe's MP3 encode in pieces against its plain ffmpeg encode, on music-like signals.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "tools/mp3/mp3frames.h"
#include "tools/mp3/mp3mode.h"
#include "tools/mp3/parallelmp3.h"

namespace {

using namespace lumivox::tools;

constexpr int kPieces = 3;  // two joins even on a 2-core machine

struct CoderRun {
    int exitCode = -1;
    QString output;
    QStringList report;  // the line it added to LUMIVOX_PIECES_REPORT, split at the tabs
};

// parallel: LUMIVOX_PARALLEL for the run; mode: LUMIVOX_MP3_MODE.
CoderRun coder(const QStringList& args, const QString& parallel, const QString& mode = "CBR") {
    QTemporaryDir reportDir;
    const QString reportFile = reportDir.filePath("report");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVOX_PARALLEL", parallel);
    env.insert("LUMIVOX_MP3_MODE", mode);
    env.insert("LUMIVOX_PIECES_REPORT", reportFile);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe", args);
    p.waitForFinished(120000);
    QFile report(reportFile);
    report.open(QIODevice::ReadOnly);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAll()), QString::fromUtf8(report.readAll()).split('\t')};
}

QByteArray tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " " << args.join(' ').toStdString()
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// Gapless decode to 16-bit stereo PCM, as a player would.
std::vector<short> decode(const QString& file) {
    const QByteArray raw =
        tool("ffmpeg", {"-v", "error", "-i", file, "-f", "s16le", "-ac", "2", "-"});
    std::vector<short> pcm(static_cast<std::size_t>(raw.size()) / 2);
    std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
    return pcm;
}

// Signal to noise of one 1152-sample window of both channels, in dB; NaN when near silence.
double windowSnr(const std::vector<short>& source, const std::vector<short>& coded, long frame) {
    double signal = 0, noise = 0;
    for (std::size_t i = static_cast<std::size_t>(frame) * 2304;
         i < static_cast<std::size_t>(frame + 1) * 2304 && i < source.size(); ++i) {
        const double s = source[i], d = s - coded[i];
        signal += s * s;
        noise += d * d;
    }
    if (signal < 2304.0 * 100 * 100) {
        return NAN;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

class ParallelMp3 : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        // Left: a sweep with tones switching on and off; right: noise bursts over a low tone.
        const QString music =
            "aevalsrc=exprs='0.3*sin(2*PI*(200+150*t)*t)+0.3*sin(2*PI*660*t)*lt(mod(t,0.7),0.3)|"
            "0.5*(random(0)-0.5)*lt(mod(t,1.1),0.4)+0.2*sin(2*PI*110*t)':s=44100:d=30";
        tool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", music, "-metadata", "title=夜曲",
                        "-metadata", "artist=Lumivox Test", path("music.flac")});
        tool("ffmpeg",
             {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=8", path("short.flac")});
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static QString path(const QString& name) { return dir_->filePath(name); }
    static QStringList encode(const QString& in, const QString& out, const QString& rate,
                              const QString& channels) {
        return {"-i",  path(in), "-y",  "-vn",    "-ar",    rate,
                "-ab", "128k",   "-ac", channels, path(out)};
    }
    static void expectJoinedAsGoodAsSerial(const QString& input, const QString& rate,
                                           const QString& channels);
    static std::unique_ptr<QTemporaryDir> dir_;
};
std::unique_ptr<QTemporaryDir> ParallelMp3::dir_;

// The file made in pieces is valid and sample-exact, took the pieces path, and the worst window
// near each join it reports is within 1 dB of the serial encode's same window.
void ParallelMp3::expectJoinedAsGoodAsSerial(const QString& input, const QString& rate,
                                             const QString& channels) {
    SCOPED_TRACE((input + " " + rate).toStdString());
    const CoderRun piecewise =
        coder(encode(input, "p.mp3", rate, channels), QString::number(kPieces));
    const CoderRun serial = coder(encode(input, "s.mp3", rate, channels), "0");
    ASSERT_EQ(piecewise.exitCode, 0) << piecewise.output.toStdString();
    ASSERT_EQ(serial.exitCode, 0);
    EXPECT_FALSE(piecewise.output.contains("Output #0, mp3")) << "plain ffmpeg ran";
    ASSERT_EQ(piecewise.report.value(1), "pieces") << piecewise.report.join(' ').toStdString();

    // mp3val checks each frame and the Info frame's counts.
    const QString check = QString::fromLocal8Bit(tool("mp3val", {path("p.mp3")}));
    EXPECT_FALSE(check.contains("WARNING")) << check.toStdString();
    EXPECT_FALSE(check.contains("ERROR")) << check.toStdString();

    const std::vector<short> p = decode(path("p.mp3"));
    const std::vector<short> s = decode(path("s.mp3"));

    // The source as the encoders saw it: resampled and mixed the same way.
    const QByteArray raw = tool("ffmpeg", {"-v", "error", "-i", path(input), "-ar", rate, "-ac",
                                           channels, "-ac", "2", "-f", "s16le", "-"});
    std::vector<short> ref(static_cast<std::size_t>(raw.size()) / 2);
    std::memcpy(ref.data(), raw.data(), ref.size() * 2);
    ASSERT_EQ(ref.size(), p.size());
    ASSERT_GE(s.size(), ref.size());  // ffmpeg's own may run a few samples long

    // "...; joined at 380 761": the first frame taken from each next piece.
    const QStringList joins =
        piecewise.report.value(2).trimmed().section("joined at", 1).split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(joins.size(), kPieces - 1) << piecewise.report.join(' ').toStdString();
    const long spf = rate.toInt() >= 32000 ? 1152 : 576;
    for (const QString& join : joins) {
        // Windows of 1152 samples from before the hand-over to well past it: the worst of them
        // must be within 1 dB of the serial encode's same window.
        const long from = (join.toLong() - 20) * spf / 1152;
        const long to = (join.toLong() + 40) * spf / 1152;
        long worst = -1;
        double worstSnr = INFINITY;
        for (long w = from; w < to; ++w) {
            const double snr = windowSnr(ref, p, w);
            if (!std::isnan(snr) && snr < worstSnr) {
                worst = w;
                worstSnr = snr;
            }
        }
        ASSERT_GE(worst, 0);
        EXPECT_GE(worstSnr, windowSnr(ref, s, worst) - 1.0) << "window " << worst;
    }
}

TEST_F(ParallelMp3, JoinedFileIsValidSampleExactAndAsGoodAsTheSerialOne) {
    for (const QString& rate : QStringList{"44100", "22050"}) {
        const QString channels = rate == "44100" ? "2" : "1";
        expectJoinedAsGoodAsSerial("music.flac", rate, channels);
        // On music the encoders fall into step before the join: the very serial encode.
        const CoderRun r = coder(encode("music.flac", "p.mp3", rate, channels), "3");
        EXPECT_TRUE(r.report.value(2).contains("2 joins in step"))
            << r.report.join(' ').toStdString();
        const std::vector<short> p = decode(path("p.mp3"));
        std::vector<short> s = decode(path("s.mp3"));
        s.resize(p.size());
        EXPECT_TRUE(p == s) << rate.toStdString();
    }
}

// Dense, loud material fills LAME's bit reservoir, where the pieces' frames seldom come out alike.
TEST_F(ParallelMp3, DenseMaterialJoinsAsWellAsMusic) {
    const QStringList sox = {"-R", "-n", "-r", "44100", "-b", "16", "-c", "2"};  // -R: same noise
    const QStringList lavfi = {"-v", "error", "-y", "-f", "lavfi", "-i"};
    const struct {
        const char* name;
        QString program;
        QStringList before, after;  // the arguments around the output file
    } inputs[] = {
        // Its pieces' reservoirs stay apart for hundreds of frames: the first piece carries on.
        {"pink.flac", "sox", sox, {"synth", "25", "pinknoise"}},
        {"white.flac", "sox", sox, {"synth", "25", "whitenoise"}},
        // Short bursts of loud noise over a quiet bed: sharp attacks on both sides of a join.
        {"bursts.flac",
         "ffmpeg",
         lavfi + QStringList{"aevalsrc=exprs='0.9*(random(0)-0.5)*lt(mod(t,0.37),0.015)+"
                             "0.05*(random(1)-0.5)|0.9*(random(2)-0.5)*lt(mod(t+0.1,0.53),0.01)+"
                             "0.05*(random(3)-0.5)':s=44100:d=25"},
         {}},
        // Bass, a swelling tone and noise driven far past full scale and cut off there.
        {"clipped.flac",
         "ffmpeg",
         lavfi + QStringList{"aevalsrc=exprs='clip(2.5*(0.5*sin(2*PI*110*t)+0.3*sin(2*PI*331*t)*"
                             "sin(2*PI*0.5*t)+0.6*(random(0)-0.5)),-1,1)':s=44100:d=25:c=stereo"},
         {}},
    };
    for (const auto& input : inputs) {
        tool(input.program, input.before + QStringList{path(input.name)} + input.after);
        expectJoinedAsGoodAsSerial(input.name, "44100", "2");
    }
}

TEST_F(ParallelMp3, TagsProgressAndLengthReadAsBefore) {
    const CoderRun r =
        coder(encode("music.flac", "tags.mp3", "44100", "2"), QString::number(kPieces));
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains("Duration: 00:00:30.00, ")) << r.output.toStdString();
    double last = -1;
    const QRegularExpression time(R"(time=(\d+\.\d\d) )");
    for (auto it = time.globalMatch(r.output); it.hasNext();) {
        const double t = it.next().captured(1).toDouble();
        EXPECT_GE(t, last);
        last = t;
    }
    EXPECT_NEAR(last, 30.0, 0.05);  // the whole input, as the "Duration: " line says
    const QString tags = QString::fromUtf8(
        tool("ffprobe", {"-v", "error", "-show_entries", "format_tags=title,artist:format=duration",
                         "-of", "compact=p=0", path("tags.mp3")}));
    EXPECT_TRUE(tags.contains("tag:title=夜曲")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("tag:artist=Lumivox Test"));
    EXPECT_TRUE(tags.contains("duration=30.0")) << tags.toStdString();
}

TEST_F(ParallelMp3, ShortInputsOtherCommandsAndTheSwitchRunPlainFfmpeg) {
    const QStringList commands[] = {
        encode("short.flac", "short.mp3", "44100", "2"),  // under 20 seconds
        {"-i", path("music.flac"), "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", "-f",
         "mp3", path("f.mp3")},
        {"-i", path("music.flac"), "-y", "-ar", "44100", "-ab", "128k", "-ac", "2",
         path("novn.mp3")}};
    for (const QStringList& args : commands) {
        const CoderRun r = coder(args, QString::number(kPieces));
        EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
        EXPECT_TRUE(r.output.contains("Output #0, mp3")) << args.join(' ').toStdString();
    }
    const CoderRun off = coder(encode("music.flac", "off.mp3", "44100", "2"), "0");
    EXPECT_TRUE(off.output.contains("Output #0, mp3"));
}

TEST_F(ParallelMp3, EndedRunLeavesNoFileBehind) {
    tool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=600", "-ac", "2",
                    path("long.flac")});
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVOX_PARALLEL", QString::number(kPieces));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
            encode("long.flac", "long.mp3", "44100", "2"));
    QString output;
    while (!output.contains("time=") && p.waitForReadyRead(10000)) {
        output += QString::fromLocal8Bit(p.readAll());
    }
    ASSERT_TRUE(output.contains("time=")) << output.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QDir(dir_->path()).entryList({"long.mp3*"}).isEmpty());
}

// The batch decodes each FLAC to tmp.wav with sox.exe just before the encode: the encode reads
// that WAV instead of decoding again, but only while it is the decode of the very FLAC encoded.
TEST_F(ParallelMp3, ReadsTheDecodedWavOnlyWhileItIsThatFlacs) {
    // sox.exe decodes 16-bit FLAC itself.
    tool("ffmpeg",
         {"-v", "error", "-y", "-i", path("music.flac"), "-sample_fmt", "s16", path("song.flac")});
    tool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                    "aevalsrc=exprs='0.4*sin(2*PI*440*t)*lt(mod(t,0.9),0.5)':s=44100:d=30:c=stereo",
                    "-sample_fmt", "s16", path("other.flac")});
    // The encodes read from the FLAC, for comparison; no work folder, so no note is read.
    for (const QString name : {"song", "other"}) {
        ASSERT_EQ(coder(encode(name + ".flac", name + "-flac.mp3", "44100", "2"), "2").exitCode, 0);
    }
    QTemporaryDir work;
    qputenv("LUMIVOX_TMP", work.path().toLocal8Bit());
    const QString wav = work.filePath("tmp.wav");
    const struct {
        const char* what;
        QString decoded, encoded;
        QString soxParallel;  // "0": the real sox decodes
        bool wavChanged;
        const char* reads;
    } cases[] = {
        {"the same FLAC", "song", "song", "2", false, "of the WAV"},
        {"another FLAC", "song", "other", "2", false, "of the FLAC"},
        {"the WAV written since", "song", "song", "2", true, "of the FLAC"},
        {"the real sox's decode", "song", "song", "0", false, "of the FLAC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QProcess sox;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMIVOX_PARALLEL", c.soxParallel);
        sox.setProcessEnvironment(env);
        sox.start(QStringLiteral(LUMIVOX_DATA_DIR) + "/sox.exe", {path(c.decoded + ".flac"), wav});
        ASSERT_TRUE(sox.waitForFinished(60000) && sox.exitCode() == 0);
        if (c.wavChanged) {
            QFile f(wav);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write("\x7f\x7f");
        }
        const CoderRun r = coder(encode(c.encoded + ".flac", "w.mp3", "44100", "2"), "2");
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
        EXPECT_TRUE(r.report.value(2).contains(c.reads)) << r.report.join(' ').toStdString();
        QFile made(path("w.mp3")), fromFlac(path(c.encoded + "-flac.mp3"));
        ASSERT_TRUE(made.open(QIODevice::ReadOnly) && fromFlac.open(QIODevice::ReadOnly));
        EXPECT_TRUE(made.readAll() == fromFlac.readAll());
    }
    qunsetenv("LUMIVOX_TMP");
}

TEST_F(ParallelMp3, JobIsOnlyTheBatchsMp3Encode) {
    const std::vector<std::string> batch = {"-i",  "/m/a.FLAC", "-y",  "-vn", "-ar",     "12050",
                                            "-ab", "96k",       "-ac", "1",   "/o/a.mp3"};
    const auto job = parseMp3Job(batch);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->sampleRate, 12000);
    EXPECT_EQ(job->kbps, 96);
    EXPECT_EQ(job->channels, 1);
    for (const auto& [at, value] : {std::pair{10, "/o/a.wav"}, {9, "3"}, {7, "96"}, {2, "-n"}}) {
        std::vector<std::string> other = batch;
        other[static_cast<std::size_t>(at)] = value;
        EXPECT_FALSE(parseMp3Job(other)) << value;
    }
    // Every lossless source is the batch's too, whatever its name says it is.
    for (const char* source : {"/m/a.wav", "/m/a.ape", "/m/a.m4a", "/m/a"}) {
        std::vector<std::string> other = batch;
        other[1] = source;
        EXPECT_TRUE(parseMp3Job(other)) << source;
    }
    // VBR: "-q:a N" before the output, put there from LUMIVOX_MP3_MODE unless it is there.
    const std::vector<std::string> vbr = withVbrQuality(batch, 2);
    ASSERT_EQ(vbr.size(), batch.size() + 2);
    EXPECT_EQ(vbr[10], "-q:a");
    EXPECT_EQ(vbr[11], "2");
    EXPECT_EQ(parseMp3Job(vbr)->vbrQuality, 2);
    EXPECT_EQ(withVbrQuality(vbr, 0), vbr);
    EXPECT_FALSE(parseMp3Job(batch)->vbrQuality);
    EXPECT_EQ(withVbrQuality(batch, std::nullopt), batch);
    const std::vector<std::string> probe = {"-i", "/t/tmp.wav"};
    EXPECT_EQ(withVbrQuality(probe, 0), probe);
    const std::vector<std::string> video = {"-i", "/t/tmp.mp4", "-y", "/o/a.mp4"};
    EXPECT_EQ(withVbrQuality(video, 0), video);
}

struct XingFacts {
    QByteArray tag;  // "Xing" or "Info"
    quint32 frames = 0;
    quint32 bytes = 0;
    int delay = 0;
    int padding = 0;
    std::set<int> bitrates;  // of the frames after it
    quint32 framesCounted = 0;
    quint32 bytesCounted = 0;
};

// Walks the MPEG-1 Layer III frames after the ID3v2 tag.
XingFacts readXing(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray d = f.readAll();
    const auto u = [&](qsizetype i) { return static_cast<quint32>(static_cast<uchar>(d[i])); };
    const auto be32 = [&](qsizetype i) {
        return u(i) << 24 | u(i + 1) << 16 | u(i + 2) << 8 | u(i + 3);
    };
    qsizetype at = 0;
    if (d.startsWith("ID3")) {
        at = 10 + (u(6) << 21 | u(7) << 14 | u(8) << 7 | u(9));
    }
    XingFacts x;
    const qsizetype side = (u(at + 3) >> 6) == 3 ? 17 : 32;
    const qsizetype xing = at + 4 + side;
    x.tag = d.mid(xing, 4);
    x.frames = be32(xing + 8);
    x.bytes = be32(xing + 12);
    const quint32 dp = u(xing + 141) << 16 | u(xing + 142) << 8 | u(xing + 143);
    x.delay = static_cast<int>(dp >> 12);
    x.padding = static_cast<int>(dp & 0xfff);
    const int kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    const int rates[] = {44100, 48000, 32000, 0};
    const qsizetype first = at;
    for (bool tagFrame = true; at + 4 <= d.size() && u(at) == 0xff; tagFrame = false) {
        const int rate = kbps[u(at + 2) >> 4];
        const int size = 144000 * rate / rates[(u(at + 2) >> 2) & 3] + ((u(at + 2) >> 1) & 1);
        if (size <= 0) {
            break;
        }
        if (!tagFrame) {
            x.bitrates.insert(rate);
            ++x.framesCounted;
        }
        at += size;
    }
    x.bytesCounted = static_cast<quint32>(at - first);
    return x;
}

// V0 and V2 on both encodes: one Xing frame with the whole file's counts and LAME's gapless
// fields, frames of many bitrates, exactly the source's samples, and the tags.
TEST_F(ParallelMp3, VbrOnBothEncodesIsOneXingFileOfTheSourcesLength) {
    std::map<QString, qint64> sizes;
    for (const QString& mode : {QStringLiteral("V0"), QStringLiteral("V2")}) {
        for (const QString& parallel : {QString::number(kPieces), QStringLiteral("0")}) {
            SCOPED_TRACE((mode + " " + parallel).toStdString());
            const QString out = mode + parallel + ".mp3";
            const CoderRun r = coder(encode("music.flac", out, "44100", "2"), parallel, mode);
            ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
            EXPECT_EQ(r.report.value(1), parallel == "0" ? "plain" : "pieces");
            const QString check = QString::fromLocal8Bit(tool("mp3val", {path(out)}));
            EXPECT_TRUE(check.contains("Xing header")) << check.toStdString();
            EXPECT_FALSE(check.contains("WARNING")) << check.toStdString();
            const XingFacts x = readXing(path(out));
            EXPECT_EQ(x.tag, "Xing");
            EXPECT_EQ(x.frames, x.framesCounted);
            EXPECT_EQ(x.bytes, x.bytesCounted);
            EXPECT_GE(x.bitrates.size(), 4u);
            EXPECT_EQ(x.frames * 1152 - static_cast<quint32>(x.delay + x.padding), 30u * 44100);
            EXPECT_EQ(decode(path(out)).size(), 30u * 44100 * 2);
            const QString tags = QString::fromUtf8(
                tool("ffprobe", {"-v", "error", "-show_entries", "format_tags=title", "-of",
                                 "compact=p=0", path(out)}));
            EXPECT_TRUE(tags.contains("tag:title=夜曲")) << tags.toStdString();
            sizes[mode] = QFileInfo(path(out)).size();
        }
    }
    EXPECT_GT(sizes["V0"], sizes["V2"]);
}

}  // namespace

namespace {

// A track of an album image: only its span is encoded, sample-exact, on each way the pieces read
// (the FLAC, sox.exe's WAV of it, ffmpeg when resampled and mixed).
TEST_F(ParallelMp3, ATracksSpanIsEncodedAloneAndExactly) {
    // Silence for 10.5 s, then music: a span read from the wrong place starts silent or off beat.
    const QString image =
        "aevalsrc=exprs='gte(t,10.5)*(0.3*sin(2*PI*(200+150*t)*t)+0.4*(random(0)-0.5)*"
        "lt(mod(t,0.7),0.3))|gte(t,10.5)*0.3*sin(2*PI*330*t)*lt(mod(t,1.1),0.4)':s=44100:d=50";
    tool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", image, "-sample_fmt", "s16",
                    path("image.flac")});
    const long start = 463050, end = start + 25 * 44100 + 588 * 7;
    const QString trim = QStringLiteral("atrim=start_sample=%1:end_sample=%2").arg(start).arg(end);
    QTemporaryDir work;
    const struct {
        const char* what;
        QString rate, channels;
        bool decoded;  // sox.exe decoded the image to the work folder's WAV first
        const char* reads;
    } cases[] = {
        {"from the FLAC", "44100", "2", false, "of the FLAC"},
        {"from the WAV", "44100", "2", true, "of the WAV"},
        {"resampled", "22050", "1", false, "from ffmpeg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.decoded) {
            qputenv("LUMIVOX_TMP", work.path().toLocal8Bit());
            ASSERT_TRUE(QProcess::execute(QStringLiteral(LUMIVOX_DATA_DIR) + "/sox.exe",
                                          {path("image.flac"), work.filePath("tmp.wav")}) == 0);
        }
        QStringList args = encode("image.flac", "track.mp3", c.rate, c.channels);
        args.insert(10, "-af");
        args.insert(11, trim);
        args.insert(12, "-metadata");
        args.insert(13, "TITLE=Track");
        const CoderRun r = coder(args, QString::number(kPieces));
        qunsetenv("LUMIVOX_TMP");
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
        ASSERT_EQ(r.report.value(1), "pieces") << r.report.join(' ').toStdString();
        EXPECT_TRUE(r.report.value(2).contains(c.reads)) << r.report.join(' ').toStdString();

        // The span as the encoders saw it, each sample twice when mixed to one channel.
        const QByteArray raw =
            tool("ffmpeg", {"-v", "error", "-i", path("image.flac"), "-af", trim, "-ar", c.rate,
                            "-ac", c.channels, "-f", "s16le", "-"});
        const std::size_t copies = c.channels == "1" ? 2 : 1;
        std::vector<short> ref(static_cast<std::size_t>(raw.size()) / 2 * copies);
        for (std::size_t i = 0; i < ref.size(); ++i) {
            std::memcpy(&ref[i], raw.data() + i / copies * 2, 2);
        }
        const std::vector<short> coded = decode(path("track.mp3"));
        ASSERT_EQ(coded.size(), ref.size());
        EXPECT_EQ(coded.size(),
                  static_cast<std::size_t>((end - start) * c.rate.toLong() / 44100 * 2));
        // Laid on the span's own audio: most loud windows sound like it (noise bursts coded at
        // 128k do not, wherever they are).
        std::vector<double> snrs;
        for (long w = 0; w < static_cast<long>(ref.size() / 2304); ++w) {
            if (const double snr = windowSnr(ref, coded, w); !std::isnan(snr)) {
                snrs.push_back(snr);
            }
        }
        ASSERT_GT(snrs.size(), 400u);
        std::nth_element(snrs.begin(), snrs.begin() + snrs.size() / 2, snrs.end());
        EXPECT_GT(snrs[snrs.size() / 2], 6.0);
    }
}

TEST(Mp3Span, AtrimIsReadInFfmpegsSyntaxOnly) {
    using Args = std::vector<std::string>;
    const auto span = parseAtrim({"-i", "a.flac", "-af", "atrim=start_sample=588:end_sample=1176"});
    ASSERT_TRUE(span);
    EXPECT_EQ(span->start, 588u);
    EXPECT_EQ(span->end, 1176u);
    // As the batch writes it: timestamps from the track's start, so ffmpeg counts the track.
    const auto fromStart =
        parseAtrim({"-af", "atrim=start_sample=588:end_sample=1176,asetpts=PTS-STARTPTS"});
    ASSERT_TRUE(fromStart);
    EXPECT_EQ(fromStart->end, 1176u);
    for (const Args& bad :
         {Args{"-af", "atrim=start=1:end=2"}, Args{"-af", "atrim=start_sample=5:end_sample=5"},
          Args{"-af", "atrim=start_sample=-5:end_sample=9"}, Args{"-af", "volume=2"}, Args{"-af"},
          Args{}}) {
        EXPECT_FALSE(parseAtrim(bad)) << (bad.size() > 1 ? bad[1] : "");
    }
    // The batch's command with a span and tags is still its MP3 encode; anything else is not.
    Args track = {"-i",        "/m/a.flac", "-y",
                  "-vn",       "-ar",       "44100",
                  "-ab",       "128k",      "-ac",
                  "2",         "-af",       "atrim=start_sample=0:end_sample=882000",
                  "-metadata", "TITLE=x",   "/o/01 - x.mp3"};
    const auto job = parseMp3Job(track);
    ASSERT_TRUE(job && job->span);
    EXPECT_EQ(job->span->end, 882000u);
    EXPECT_EQ(job->output, "/o/01 - x.mp3");
    track[10] = "-f";
    EXPECT_FALSE(parseMp3Job(track));
    track[10] = "-af";
    track.insert(track.end() - 1, "-metadata");
    EXPECT_FALSE(parseMp3Job(track));
}

}  // namespace
