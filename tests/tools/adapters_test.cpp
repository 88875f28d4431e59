// The adapters in the data folder against the real Debian tools, on media made here.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

namespace {

struct ToolResult {
    int exitCode = -1;
    QString output;
};

QProcessEnvironment adapterEnv(const QString& workFolder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVOX_TMP", workFolder);
    return env;
}

void startAdapter(QProcess& p, const QString& name, const QStringList& args,
                  const QProcessEnvironment& env) {
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LUMIVOX_DATA_DIR) + "/" + name, args);
}

// ffprobe's view of a file: one "key=value|key=value" line per stream, or empty when unreadable.
QString probe(const QString& file) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries",
                        "stream=codec_name,sample_rate,channels,width,height,r_frame_rate", "-of",
                        "compact=p=0", file});
    p.waitForFinished(30000);
    return p.exitCode() == 0 ? QString::fromLocal8Bit(p.readAllStandardOutput()) : QString();
}

void ffmpeg(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
}

class Adapters : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        media_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(media_->isValid());
        ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=5:sample_rate=44100",
                media_->filePath("tone.flac")});
        ffmpeg({"-i", media_->filePath("tone.flac"), media_->filePath("tone.wav")});
        // 176x144: rv10 (the RM formats) needs sizes that are multiples of 16.
        ffmpeg({"-f", "lavfi", "-i", "testsrc=size=176x144:rate=25:duration=2", "-f", "lavfi", "-i",
                "sine=duration=2", "-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest",
                media_->filePath("clip.avi")});
        // What the first pass of the two-pass formats leaves: AVI data under an .mp4 name.
        ASSERT_TRUE(QFile::copy(media_->filePath("clip.avi"), media_->filePath("tmp.mp4")));
    }
    static void TearDownTestSuite() { media_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkdir("tmp"));
        ASSERT_TRUE(QDir(dir_.path()).mkdir("cwd"));
    }

    // parallel: LUMIVOX_PARALLEL for the run, unset when empty.
    ToolResult run(const QString& name, const QStringList& args, const QString& parallel = {}) {
        QProcess p;
        p.setWorkingDirectory(dir_.filePath("cwd"));
        QProcessEnvironment env = adapterEnv(dir_.filePath("tmp"));
        env.remove("LUMIVOX_PARALLEL");
        if (!parallel.isEmpty()) {
            env.insert("LUMIVOX_PARALLEL", parallel);
        }
        startAdapter(p, name, args, env);
        EXPECT_TRUE(p.waitForFinished(60000)) << name.toStdString();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAll())};
    }
    static QString media(const QString& name) { return media_->filePath(name); }
    QString out(const QString& name) const { return dir_.filePath(name); }

    static std::unique_ptr<QTemporaryDir> media_;
    QTemporaryDir dir_;
};
std::unique_ptr<QTemporaryDir> Adapters::media_;

const QRegularExpression kClockTime(R"(time=-?\d+:\d\d:)");
const QRegularExpression kSecondsTime(R"(time=\d+\.\d\d )");

TEST_F(Adapters, CoderEncodesMp3AndReportsTimeInSeconds) {
    const ToolResult r = run("coder.exe", {"-i", media("tone.flac"), "-y", "-vn", "-ar", "44100",
                                           "-ab", "128k", "-ac", "2", out("song_14305.mp3")});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    const QString streams = probe(out("song_14305.mp3"));
    EXPECT_TRUE(streams.contains("codec_name=mp3|sample_rate=44100|channels=2"))
        << streams.toStdString();
    EXPECT_TRUE(r.output.contains(kSecondsTime)) << r.output.toStdString();
    EXPECT_FALSE(r.output.contains(kClockTime));
    EXPECT_TRUE(r.output.contains("\r"));               // status lines keep their carriage returns
    EXPECT_FALSE(r.output.contains("configuration:"));  // no banner
}

TEST_F(Adapters, CoderProbePrintsDurationAndEndsWithStatus1) {
    const ToolResult r = run("coder.exe", {"-i", media("tone.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.output.contains("Duration: 00:00:05.00, ")) << r.output.toStdString();
    EXPECT_TRUE(r.output.contains("At least one output file must be specified"));
    EXPECT_TRUE(QFile::exists(media("tone.wav")));
}

TEST_F(Adapters, CoderProbeOfDecodedWavReadsAsFfmpegsOwn) {
    // sox's WAVs as the decode step writes them; the 24-bit one is left to ffmpeg.
    const QStringList soxOptions[] = {{"-r", "44100", "-c", "2"},
                                      {"-r", "22050", "-c", "1"},
                                      {"-r", "48000", "-c", "2", "trim", "0", "3.337"},
                                      {"-r", "8000", "-c", "1", "trim", "0", "0.004"},
                                      {"-b", "24", "-r", "44100", "-c", "2"}};
    for (const QStringList& options : soxOptions) {
        const QString wav = out("probe.wav");
        QProcess sox;
        sox.start("sox", QStringList{media("tone.flac")} + options.mid(0, options.indexOf("trim")) +
                             QStringList{wav} +
                             (options.contains("trim") ? options.mid(options.indexOf("trim"))
                                                       : QStringList{}));
        ASSERT_TRUE(sox.waitForFinished(30000));
        ASSERT_EQ(sox.exitCode(), 0) << options.join(' ').toStdString();
        const ToolResult own = run("coder.exe", {"-i", wav});
        const ToolResult plain = run("coder.exe", {"-i", wav}, "0");
        EXPECT_EQ(own.exitCode, 1);
        EXPECT_EQ(own.output, plain.output) << options.join(' ').toStdString();
    }
}

TEST_F(Adapters, CoderTakesAnyMp3SampleRate) {
    const ToolResult r = run("coder.exe", {"-i", media("tone.flac"), "-y", "-vn", "-ar", "12050",
                                           "-ab", "32k", "-ac", "1", out("a.mp3")});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(probe(out("a.mp3")).contains("codec_name=mp3|sample_rate=12000|channels=1"));
}

TEST_F(Adapters, FailedEncodeLeavesNoFileBehind) {
    // libmp3lame refuses 99 channels after ffmpeg has opened the output.
    const QStringList badChannels = {"-i", media("tone.flac"), "-y", "-vn", "-ac", "99"};
    ToolResult r = run("coder.exe", badChannels + QStringList{out("bad.mp3")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(QFile::exists(out("bad.mp3")));

    QFile text(out("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not audio\n");
    text.close();
    r = run("coder.exe", {"-i", out("notes.txt"), "-y", out("notes.mp3")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(QFile::exists(out("notes.mp3")));

    // A file that was there before the run is the user's, failed run or not.
    QFile existing(out("kept.mp3"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    r = run("coder.exe", badChannels + QStringList{out("kept.mp3")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(QFile::exists(out("kept.mp3")));
}

TEST_F(Adapters, ConvSinglePassMpegAndAviShowProgress) {
    const QRegularExpression percent(R"(\(\s*\d+%\))");
    for (const auto& [ext, fps, rate] :
         {std::tuple{".mpg", "24", "24/1"}, std::tuple{".avi", "29", "30000/1001"}}) {
        const QString file = out(QString("clip-957") + ext);
        const ToolResult r = run(
            "conv.exe", {media("clip.avi"), "-oac", "lavc", "-lavcopts", "acodec=mp2:abitrate=64",
                         "-ovc", "lavc", "-lavcopts", "vcodec=mpeg1video:vbitrate=600:vpass=1",
                         "-ofps", fps, "-of", "lavf", "-lavfopts", "format=yuv4mpeg", "-o", file});
        EXPECT_EQ(r.exitCode, 0) << ext << r.output.toStdString();
        EXPECT_TRUE(r.output.contains(percent)) << ext;
        const QString streams = probe(file);
        EXPECT_TRUE(streams.contains(
            QString("codec_name=mpeg1video|width=176|height=144|r_frame_rate=") + rate))
            << streams.toStdString();
        EXPECT_TRUE(streams.contains("codec_name=mp2")) << streams.toStdString();
    }
    // vpass=1 writes its log in the private tmp folder, not wherever the program stood.
    EXPECT_TRUE(QFile::exists(out("tmp/divx2pass.log")));
    EXPECT_FALSE(QFile::exists(out("cwd/divx2pass.log")));
}

TEST_F(Adapters, ConvFirstPassOfTheTwoPassFormats) {
    const ToolResult r =
        run("conv.exe",
            {media("clip.avi"), "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc", "lavc",
             "-lavcopts", "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o", out("tmp/tmp.mp4")});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    const QString streams = probe(out("tmp/tmp.mp4"));
    EXPECT_TRUE(streams.contains("codec_name=mpeg4|width=176|height=144")) << streams.toStdString();
    EXPECT_TRUE(streams.contains("codec_name=mp3"));
}

TEST_F(Adapters, ConvReportsAnAudioOnlyInputAsFailure) {
    const ToolResult r =
        run("conv.exe",
            {media("tone.flac"), "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc", "lavc",
             "-lavcopts", "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o", out("tone-1.mp4")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.output.contains("Video stream is mandatory")) << r.output.toStdString();
    EXPECT_FALSE(QFile::exists(out("tone-1.mp4")));
}

TEST_F(Adapters, Coder2PhoneSecondPassesWriteAmrFiles) {
    for (const char* ext : {".3gp", ".mp4"}) {
        const QString file = out(QString("clip-957") + ext);
        const ToolResult r = run(
            "coder2.exe", {"-i", media("tmp.mp4"), "-y", "-s", "320x240", "-vcodec", "mpeg4",
                           "-acodec", "amr_nb", "-ac", "1", "-ar", "8000", "-ab", "12.2k", file});
        EXPECT_EQ(r.exitCode, 0) << ext << r.output.toStdString();
        const QString streams = probe(file);
        EXPECT_TRUE(streams.contains("codec_name=mpeg4|width=320|height=240"))
            << streams.toStdString();
        EXPECT_TRUE(streams.contains("codec_name=amr_nb|sample_rate=8000|channels=1"));
    }
}

TEST_F(Adapters, CoderRmAndMovSecondPasses) {
    ToolResult r = run("coder.exe", {"-i", media("tmp.mp4"), "-y", "-vcodec", "rv10", "-b", "1200k",
                                     "-f", "rm", "-ab", "128k", "-ac", "2", out("clip-957.rmvb")});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(probe(out("clip-957.rmvb")).contains("codec_name=rv10"));
    r = run("coder.exe", {"-i", media("tmp.mp4"), "-y", "-s", "320x240", "-ac", "2", "-ar", "48000",
                          "-ab", "128k", out("clip-957.mov")});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(probe(out("clip-957.mov")).contains("width=320|height=240"));
}

TEST_F(Adapters, SoxDecodesQuietlyAndFailsLoudly) {
    ToolResult r = run("sox.exe", {media("tone.flac"), out("tmp.wav")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "");
    EXPECT_TRUE(
        probe(out("tmp.wav")).contains("codec_name=pcm_s16le|sample_rate=44100|channels=1"));
    r = run("sox.exe", {out("missing.flac"), out("none.wav")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.output.contains("FAIL formats"));
    EXPECT_FALSE(QFile::exists(out("none.wav")));
}

TEST_F(Adapters, SoxWavOfAFlacIsSoxsOwnByteForByte) {
    // 16-bit stereo, mono and an odd length are decoded in the adapter; 24-bit is left to sox.
    const QStringList made[] = {{"-ac", "2", "-sample_fmt", "s16"},
                                {"-ac", "1", "-sample_fmt", "s16"},
                                {"-ac", "2", "-sample_fmt", "s16", "-t", "3.3331"},
                                {"-ac", "2", "-sample_fmt", "s32"}};
    for (const QStringList& options : made) {
        const QString flac = out("made.flac");
        ffmpeg(QStringList{"-f", "lavfi", "-i", "anoisesrc=d=4:c=pink:a=0.4"} + options +
               QStringList{flac});
        EXPECT_EQ(run("sox.exe", {flac, out("own.wav")}).output, "");
        ASSERT_EQ(run("sox.exe", {flac, out("plain.wav")}, "0").exitCode, 0);
        QFile own(out("own.wav")), plain(out("plain.wav"));
        ASSERT_TRUE(own.open(QIODevice::ReadOnly) && plain.open(QIODevice::ReadOnly));
        EXPECT_GT(own.size(), 44);
        EXPECT_TRUE(own.readAll() == plain.readAll()) << options.join(' ').toStdString();
    }
}

TEST_F(Adapters, MissingToolIsOneLineAndStatus127) {
    QProcessEnvironment env = adapterEnv(out("tmp"));
    env.insert("PATH", out("no-such-folder"));
    for (const auto& [adapter, tool] : {std::pair{"coder.exe", "ffmpeg"},
                                        {"coder2.exe", "ffmpeg"},
                                        {"conv.exe", "mencoder"},
                                        {"sox.exe", "sox"}}) {
        QProcess p;
        startAdapter(p, adapter, {"-i", media("tone.flac"), out("x.mp3")}, env);
        ASSERT_TRUE(p.waitForFinished(10000));
        const QString text = QString::fromLocal8Bit(p.readAll());
        EXPECT_EQ(p.exitCode(), 127) << adapter;
        EXPECT_TRUE(text.contains(tool)) << text.toStdString();
        EXPECT_EQ(text.count('\n'), 1) << text.toStdString();
    }
}

// A folder on a nearly full file system: a 64 kB tmpfs where mounting is allowed. Elsewhere the
// tool gets a 64 kB file-size limit instead (with SIGXFSZ ignored, so its writes fail as they
// would on a full disk), which MEncoder's silent writes do not show.
class SmallDisk {
  public:
    explicit SmallDisk(const QString& folder) : folder_(folder) {
        QDir().mkpath(folder);
        mounted_ = geteuid() == 0 && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k",
                                                                 "tmpfs", folder}) == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            QProcess::execute("umount", {folder_});
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    void limit(QProcess& p) const {
        if (!mounted_) {
            p.setChildProcessModifier([] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{64 * 1024, 64 * 1024};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
    }

  private:
    QString folder_;
    bool mounted_ = false;
};

// ffmpeg 5.1 and sox end with status 0 after "No space left on device"; MEncoder says nothing.
TEST_F(Adapters, AWriteErrorIsAFailureAndLeavesNoPartialFile) {
    const SmallDisk disk(out("full"));
    struct Case {
        const char* adapter;
        QStringList args;
        QString file;
    };
    const QString mp3 = out("full/song_957.mp3");
    const QString wav = out("full/tmp.wav");
    const QString avi = out("full/clip-957.avi");
    QList<Case> cases = {
        {"coder.exe",
         {"-i", media("tone.flac"), "-y", "-vn", "-ar", "44100", "-ab", "320k", "-ac", "2", mp3},
         mp3},
        {"sox.exe", {media("tone.flac"), wav}, wav}};
    if (disk.mounted()) {
        cases.append({"conv.exe",
                      {media("clip.avi"), "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc",
                       "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o", avi},
                      avi});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapter);
        QProcess p;
        p.setWorkingDirectory(out("cwd"));
        disk.limit(p);
        startAdapter(p, c.adapter, c.args, adapterEnv(out("tmp")));
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString text = QString::fromLocal8Bit(p.readAll());
        EXPECT_NE(p.exitCode(), 0) << text.toStdString();
        EXPECT_FALSE(QFile::exists(c.file));
        const QString last = text.trimmed().split('\n').last();
        EXPECT_TRUE(last.startsWith(QString(c.adapter) + ": ")) << last.toStdString();
        EXPECT_TRUE(last.endsWith(disk.mounted() ? "No space left on device" : "File too large"))
            << last.toStdString();
    }
}

// A FIFO named .flac would keep the tool waiting for a writer forever.
TEST_F(Adapters, AnInputThatIsNotARegularFileFailsAtOnce) {
    const QString fifo = out("song.flac");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const auto& [adapter, args] :
         {std::pair{"sox.exe", QStringList{fifo, out("tmp.wav")}},
          {"coder.exe", QStringList{"-i", fifo, "-y", "-vn", out("song_957.mp3")}},
          {"conv.exe", QStringList{fifo, "-ovc", "lavc", "-o", out("song-957.avi")}}}) {
        QElapsedTimer clock;
        clock.start();
        const ToolResult r = run(adapter, args);
        EXPECT_LT(clock.elapsed(), 5000) << adapter;
        EXPECT_NE(r.exitCode, 0) << adapter;
        EXPECT_EQ(r.output, QString(adapter) + ": " + fifo + ": not a regular file\n");
    }
}

// MEncoder runs in the private folder; paths given relative to the caller's folder must still
// mean the caller's folder.
TEST_F(Adapters, ConvTakesRelativePathsFromTheCallersFolder) {
    ASSERT_TRUE(QFile::copy(media("clip.avi"), out("cwd/clip.avi")));
    ASSERT_TRUE(QDir(out("cwd")).mkdir("rel"));
    const ToolResult r = run(
        "conv.exe", {"clip.avi", "-oac", "lavc", "-lavcopts", "acodec=mp2:abitrate=64", "-ovc",
                     "lavc", "-lavcopts", "vcodec=mpeg1video:vbitrate=600:vpass=1", "-ofps", "24",
                     "-of", "lavf", "-lavfopts", "format=yuv4mpeg", "-o", "rel/clip-957.avi"});
    EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
    EXPECT_TRUE(probe(out("cwd/rel/clip-957.avi")).contains("codec_name=mpeg1video"));
    EXPECT_FALSE(QFile::exists(out("tmp/rel/clip-957.avi")));
}

// Children of pid, from /proc.
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> found;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // "pid (comm) state ppid ...": comm may hold spaces, so read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == pid) {
            found.append(entry.toLongLong());
        }
    }
    return found;
}

TEST_F(Adapters, SigtermEndsTheToolAndTheRunIsNamedAfterTheAdapter) {
    QProcess p;
    startAdapter(p, "coder.exe",
                 {"-re", "-f", "lavfi", "-i", "sine=duration=30", "-y", out("long.mp3")},
                 adapterEnv(out("tmp")));
    ASSERT_TRUE(p.waitForStarted());
    QString output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("time=") && clock.elapsed() < 15000 && p.state() == QProcess::Running) {
        p.waitForReadyRead(500);
        output += QString::fromLocal8Bit(p.readAll());
    }
    ASSERT_TRUE(output.contains("time=")) << output.toStdString();

    QFile comm(QString("/proc/%1/comm").arg(p.processId()));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    EXPECT_EQ(comm.readAll().trimmed(), "coder.exe");
    const QList<qint64> tools = childrenOf(p.processId());
    ASSERT_EQ(tools.size(), 1);

    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QString("/proc/%1").arg(tools.front())));
    EXPECT_FALSE(QFile::exists(out("long.mp3")));  // a cancelled file is not a result
}

}  // namespace
