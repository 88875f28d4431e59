// FLAC to MP3 at 128 kbit/s through the real window (offscreen) on real recordings and on noise,
// against plain ffmpeg encoding two files side by side and against the window with coder.exe's
// encode on one core (LUMIVOX_PARALLEL=0), all in the same run; then each file alone, encoded in
// pieces against plain ffmpeg, with what the pieces' joins cost in quality.
//
//   build/bench/lumivox_batch_bench [options] [FOLDER]
//
// FOLDER holds FLAC files (bench/make_corpus.sh makes such a folder of real music). The batch
// takes --files of them spread over the folder's sorted list; every one is encoded alone. Batch
// figures are the median of --rounds rounds; the load average is printed beside them, as the
// machine may be shared.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <algorithm>
#include <cstdio>

#include "bench/benchsupport.h"
#include "bench/joinquality.h"
#include "bench/mp3batches.h"
#include "engine/base/apppaths.h"
#include "engine/base/cmdline.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "engine/commands/commandbuilder.h"
#include "filelist/filelistmodel.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "shell/startup.h"
#include "widgets/desktopservices.h"

using namespace lumivox;
using namespace lumivox::bench;

namespace {

constexpr const char* kUsage =
    "usage: lumivox_batch_bench [options] [FOLDER]\n"
    "  FOLDER              FLAC files: a batch of --files of them, and each one alone\n"
    "  --files N           recordings in the batch (10)\n"
    "  --rounds N          batch rounds; the median is reported (3)\n"
    "  --noise-files N     pink and white noise files in each noise batch (10)\n"
    "  --noise-seconds S   their length (180)\n"
    "  --no-noise          leave out the noise\n"
    "  --no-single         leave out the files alone and the joins' quality\n"
    "  --smoke             a quick check only: four 30 s sine tones through the window, once\n";

struct BenchOptions {
    QString folder;
    int files = 10;
    int rounds = 3;
    int noiseFiles = 10;
    int noiseSeconds = 180;
    bool noise = true;
    bool single = true;
    bool smoke = false;
};

bool parseOptions(const QStringList& args, BenchOptions& o) {
    const QHash<QString, int*> numbers = {{"--files", &o.files},
                                          {"--rounds", &o.rounds},
                                          {"--noise-files", &o.noiseFiles},
                                          {"--noise-seconds", &o.noiseSeconds}};
    const QHash<QString, bool*> switches = {
        {"--no-noise", &o.noise}, {"--no-single", &o.single}, {"--smoke", &o.smoke}};
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = true;
        if (numbers.contains(a)) {
            *numbers[a] = args.value(++i).toInt(&ok);
            ok = ok && *numbers[a] > 0;
        } else if (switches.contains(a)) {
            *switches[a] = a == "--smoke";
        } else if (a.startsWith("--") || !o.folder.isEmpty()) {
            ok = false;
        } else {
            o.folder = a;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

ConversionSettings mp3Settings() {
    ConversionSettings s;
    s.format = FormatMp3;
    s.audioBitrate = "128";
    s.sampleRate = "44100";
    s.channelPosition = 1;
    return s;
}

CommandContext commandContext() {
    return {paths::appFolder(), paths::tmpWav(), paths::tmpMp4()};
}

bool runCommandLine(const QString& commandLine) {
    const QStringList args = splitCommandLine(commandLine);
    return runQuietly(args.first(), args.mid(1));
}

void freshFolder(const QString& path) {
    QDir(path).removeRecursively();
    QDir().mkpath(path);
}

// The window's three tool commands per file run directly, each step timed on its own.
struct Steps {
    double decode = 0, probe = 0, encode = 0;
};
Steps toolSteps(const QStringList& inputs, const QString& outFolder) {
    const CommandContext c = commandContext();
    ConversionSettings s = mp3Settings();
    s.outFolder = outFolder + "/";
    Steps steps;
    // As the window's runner does, so the encode may read the WAV just decoded.
    QDir().mkpath(paths::tmpFolder());
    qputenv("LUMIVOX_TMP", paths::tmpFolder().toLocal8Bit());
    for (const QString& input : inputs) {
        const QString out = uniqueOutputPath(s, input, timeStamp(QTime::currentTime()));
        steps.decode += timed([&] { runCommandLine(mp3DecodeCommand(c, input)); }).wall;
        steps.probe += timed([&] { runCommandLine(mp3ProbeCommand(c)); }).wall;
        steps.encode += timed([&] { runCommandLine(mp3EncodeCommand(c, s, input, out)); }).wall;
    }
    qunsetenv("LUMIVOX_TMP");
    return steps;
}

double audioSeconds(const QStringList& inputs) {
    double total = 0;
    for (const QString& input : inputs) {
        total += QString::fromUtf8(
                     runCapture("ffprobe", {"-v", "error", "-show_entries", "format=duration",
                                            "-of", "default=nw=1:nk=1", input}))
                     .toDouble();
    }
    return total;
}

// How many of the window's encodes took the pieces path, by the report, else by the outputs' tags.
QString piecesShare(const QStringList& inputs, const QString& reportFile,
                    const QString& outFolder) {
    const QHash<QString, PathTaken> report = readPiecesReport(reportFile);
    int pieces = 0, known = 0;
    QStringList plain;
    if (!report.isEmpty()) {
        for (const QString& input : inputs) {
            const auto it = report.constFind(QFileInfo(input).fileName());
            known += it != report.constEnd();
            if (it != report.constEnd() && it->path == "pieces") {
                ++pieces;
            } else if (it != report.constEnd()) {
                plain << QFileInfo(input).fileName() + " (" + it->detail + ")";
            }
        }
        return QStringLiteral("%1 of %2 (LUMIVOX_PIECES_REPORT, %3 reported)%4")
            .arg(pieces)
            .arg(inputs.size())
            .arg(known)
            .arg(plain.isEmpty() ? QString() : "; plain: " + plain.join(", "));
    }
    const QStringList outputs = QDir(outFolder).entryList({"*.mp3"}, QDir::Files);
    for (const QString& out : outputs) {
        const QString tag = encoderTag(outFolder + "/" + out);
        pieces += tag.startsWith("LAME");
        known += tag.startsWith("LAME") || tag.startsWith("Lavc");
    }
    return QStringLiteral(
               "unknown from LUMIVOX_PIECES_REPORT (no report written); by the "
               "outputs' encoder tags %1 of %2 (%3 tags read)")
        .arg(pieces)
        .arg(inputs.size())
        .arg(known);
}

void batchSection(const QString& label, const QStringList& inputs, int rounds,
                  const QString& work) {
    std::printf("\n== %s: %lld files, %.0f s of audio, median of %d round(s), %d cores\n",
                qPrintable(label), static_cast<long long>(inputs.size()), audioSeconds(inputs),
                rounds, QThread::idealThreadCount());
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
    const QString report = work + "/pieces-report.tsv";
    std::vector<double> pairsWall, pairsCpu, windowWall, windowCpu, serialWall, serialCpu;
    std::vector<double> decode, probe, encode, perRound, perRoundSerial;
    for (int round = 0; round < rounds; ++round) {
        for (const char* f : {"pairs", "window", "serial", "steps"}) {
            freshFolder(work + "/" + f);
        }
        QFile::remove(report);
        const Timing pairs = timed([&] { twoSideBySide(inputs, work + "/pairs"); });
        qputenv("LUMIVOX_PIECES_REPORT", report.toLocal8Bit());
        const Timing window = timed([&] { throughWindow(inputs, work + "/window"); });
        qunsetenv("LUMIVOX_PIECES_REPORT");
        qputenv("LUMIVOX_PARALLEL", "0");
        const Timing serial = timed([&] { throughWindow(inputs, work + "/serial"); });
        qunsetenv("LUMIVOX_PARALLEL");
        const Steps steps = toolSteps(inputs, work + "/steps");
        pairsWall.push_back(pairs.wall);
        pairsCpu.push_back(pairs.cpu);
        windowWall.push_back(window.wall);
        windowCpu.push_back(window.cpu);
        serialWall.push_back(serial.wall);
        serialCpu.push_back(serial.cpu);
        decode.push_back(steps.decode);
        probe.push_back(steps.probe);
        encode.push_back(steps.encode);
        perRound.push_back(window.wall / pairs.wall);
        perRoundSerial.push_back(window.wall / serial.wall);
    }
    const double pw = median(pairsWall), ww = median(windowWall), sw = median(serialWall);
    std::printf("took the pieces path: %s\n",
                qPrintable(piecesShare(inputs, report, work + "/window")));
    std::printf("                                 wall s   cpu s\n");
    std::printf("ffmpeg, two files side by side  %7.2f %7.2f\n", pw, median(pairsCpu));
    std::printf("through the window              %7.2f %7.2f\n", ww, median(windowCpu));
    std::printf("  the same, LUMIVOX_PARALLEL=0  %7.2f %7.2f\n", sw, median(serialCpu));
    std::printf("window / two side by side: %.3f (rounds:", ww / pw);
    for (const double r : perRound) {
        std::printf(" %.3f", r);
    }
    std::printf(")\nwindow / serial window:    %.3f (rounds:", ww / sw);
    for (const double r : perRoundSerial) {
        std::printf(" %.3f", r);
    }
    const double n = static_cast<double>(inputs.size());
    const double d = median(decode), p = median(probe), e = median(encode);
    std::printf(
        ")\nper file, tools run directly: decode to tmp.wav %.2f s, probe %.2f s, "
        "encode %.2f s; the window's own share %.2f s\n",
        d / n, p / n, e / n, (ww - d - p - e) / n);
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
}

// Ten files of 180 s of `color` noise, stereo with independent channels.
QStringList makeNoise(const QString& color, int files, int seconds, const QString& folder) {
    QDir().mkpath(folder);
    QStringList made;
    for (int i = 0; i < files; ++i) {
        const QString path =
            QStringLiteral("%1/%2%3.flac").arg(folder, color).arg(i, 2, 10, QChar('0'));
        const QString source =
            QStringLiteral("anoisesrc=c=%1:a=0.5:d=%2:seed=%3").arg(color).arg(seconds);
        const QString graph = QStringLiteral("%1[l];%2[r];[l][r]amerge=inputs=2")
                                  .arg(source.arg(2 * i + 1), source.arg(2 * i + 2));
        runQuietly("ffmpeg", {"-nostdin", "-y", "-filter_complex", graph, "-ar", "44100",
                              "-sample_fmt", "s16", path});
        made << path;
    }
    return made;
}

QStringList makeSine(int files, int seconds, const QString& folder) {
    QDir().mkpath(folder);
    QStringList made;
    for (int i = 0; i < files; ++i) {
        const QString path = QStringLiteral("%1/sine%2.flac").arg(folder).arg(i);
        runQuietly("ffmpeg",
                   {"-nostdin", "-y", "-f", "lavfi", "-i",
                    QStringLiteral("sine=frequency=%1:duration=%2").arg(220 + 20 * i).arg(seconds),
                    "-ac", "2", path});
        made << path;
    }
    return made;
}

int piecesFor(long samples) {
    // As coder.exe: one piece per core, each at least 5 seconds long.
    return static_cast<int>(std::min<long>(QThread::idealThreadCount(), samples / (5 * 44100)));
}

void singleSection(const QStringList& inputs, const QString& work) {
    std::printf("\n== each file alone: encoded in pieces (coder.exe) / plain ffmpeg, %d cores\n",
                QThread::idealThreadCount());
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    std::printf("%-36s %6s %-13s %7s %7s %6s %6s %7s %7s\n", "file", "sec", "path", "plain s",
                "piece s", "wall", "cpu", "joindB", "anydB");
    std::fflush(stdout);
    const CommandContext c = commandContext();
    const QString report = work + "/single-report.tsv";
    freshFolder(work + "/single");
    std::vector<double> wallRatios, cpuRatios, joinLoss;
    int identical = 0, piecesLength = 0, plainLength = 0;
    for (const QString& input : inputs) {
        const QString name = QFileInfo(input).completeBaseName();
        const QString plainOut = work + "/single/" + name + "-plain.mp3";
        const QString piecesOut = work + "/single/" + name + "-pieces.mp3";
        const Timing plain = timed([&] { runQuietly("ffmpeg", plainFfmpegArgs(input, plainOut)); });
        QFile::remove(report);
        qputenv("LUMIVOX_PIECES_REPORT", report.toLocal8Bit());
        const Timing pieces =
            timed([&] { runCommandLine(mp3EncodeCommand(c, mp3Settings(), input, piecesOut)); });
        qunsetenv("LUMIVOX_PIECES_REPORT");
        const QHash<QString, PathTaken> taken = readPiecesReport(report);
        const QString path = pathTaken(taken, input, piecesOut);
        // Where coder.exe says its time went, when it says so.
        const QString detail = taken.value(QFileInfo(input).fileName()).detail;

        const std::vector<short> original = decodeStereo(input);
        const JoinQuality q =
            compareJoins(original, decodeStereo(plainOut), decodeStereo(piecesOut),
                         piecesFor(static_cast<long>(original.size() / 2)));
        wallRatios.push_back(pieces.wall / plain.wall);
        cpuRatios.push_back(pieces.cpu / plain.cpu);
        identical += q.identical;
        piecesLength += q.piecesExtra != 0;
        plainLength += q.serialExtra != 0;
        joinLoss.push_back(q.worstNearJoin);
        // Decoded samples beyond the input's, when either decode is not as long as the input.
        const QString lengths = q.piecesExtra || q.serialExtra
                                    ? QStringLiteral("length: pieces %1%2, plain %3%4 samples ")
                                          .arg(q.piecesExtra > 0 ? "+" : "")
                                          .arg(q.piecesExtra)
                                          .arg(q.serialExtra > 0 ? "+" : "")
                                          .arg(q.serialExtra)
                                    : QString();
        std::printf("%-36s %6.0f %-13s %7.2f %7.2f %6.3f %6.3f %7.2f %7.2f %s%s\n",
                    qPrintable(name.left(36)), static_cast<double>(original.size()) / 2 / 44100,
                    qPrintable(path), plain.wall, pieces.wall, wallRatios.back(), cpuRatios.back(),
                    q.worstNearJoin, q.worstAnywhere, qPrintable(lengths), qPrintable(detail));
        std::fflush(stdout);
    }
    std::printf(
        "pieces / plain wall time: median %.3f, max %.3f; processor time: median %.3f, "
        "max %.3f (%zu files)\n",
        median(wallRatios), *std::max_element(wallRatios.begin(), wallRatios.end()),
        median(cpuRatios), *std::max_element(cpuRatios.begin(), cpuRatios.end()),
        wallRatios.size());
    std::printf(
        "joins, worst 1152-sample window within 40 frames before / 100 after a join, "
        "SNR below the serial encode: max %.2f dB, median %.2f dB; decoded the same as "
        "plain ffmpeg: %d of %zu; decoded length not the input's: pieces %d, plain %d\n",
        joinLoss.empty() ? 0.0 : *std::max_element(joinLoss.begin(), joinLoss.end()),
        median(joinLoss), identical, wallRatios.size(), piecesLength, plainLength);
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
}

// `count` files spread evenly over the sorted list, so each source of the corpus is in the batch.
QStringList spread(const QStringList& all, int count) {
    if (all.size() <= count) {
        return all;
    }
    QStringList picked;
    for (int i = 0; i < count; ++i) {
        picked << all[static_cast<qsizetype>(i) * all.size() / count];
    }
    return picked;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchOptions o;
    if (!parseOptions(app.arguments(), o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    QTemporaryDir dir;
    useBenchFolders(dir);

    if (o.smoke) {
        batchSection("sine tones (smoke run)", makeSine(4, 30, dir.filePath("sine")), 1,
                     dir.filePath("work"));
        return 0;
    }
    QStringList corpus;
    if (!o.folder.isEmpty()) {
        const QDir folder(o.folder);
        for (const QString& name : folder.entryList({"*.flac"}, QDir::Files, QDir::Name)) {
            corpus << folder.absoluteFilePath(name);
        }
        if (corpus.isEmpty()) {
            std::fprintf(stderr, "no FLAC files in %s\n", qPrintable(o.folder));
            return 1;
        }
        batchSection("real recordings from " + o.folder, spread(corpus, o.files), o.rounds,
                     dir.filePath("work"));
    } else {
        std::printf("no folder of FLAC files given: bench/make_corpus.sh makes one\n");
    }
    // Each file alone before the noise batches, so a run cut short still has the corpus figures.
    QStringList alone = corpus;
    QHash<QString, QStringList> noise;
    if (o.noise) {
        for (const char* color : {"pink", "white"}) {
            noise[color] = makeNoise(color, o.noiseFiles, o.noiseSeconds, dir.filePath(color));
            alone << noise[color].first();
        }
    }
    if (o.single && !alone.isEmpty()) {
        singleSection(alone, dir.filePath("work"));
    }
    if (o.noise) {
        for (const char* color : {"pink", "white"}) {
            batchSection(QStringLiteral("%1 noise").arg(color), noise[color], o.rounds,
                         dir.filePath("work"));
        }
    }
    return 0;
}
