// The MP3 for the phone and the car: VBR V0 and V2 against CBR 320 and 128 (size, and coder.exe's
// encode in pieces against plain ffmpeg at the same setting), then album loudness on a 10-track
// album through the window against loudness off (wall time, median of the rounds, alternating).
//   lumivox_device_bench [FOLDER] [--rounds N] [--album]
// FOLDER's first three FLACs (their first 3 minutes) and two 3-minute noises made here are the
// encodes' inputs; its first ten (90 s each, else made here) the album.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <span>

#include "bench/benchsupport.h"
#include "bench/mp3batches.h"
#include "settings/lumivoxini.h"

using namespace lumivox;

namespace {

struct Mode {
    const char* name;
    QString kbps;
    QString env;  // LUMIVOX_MP3_MODE
};

// coder.exe on one file; `plain`: LUMIVOX_PARALLEL=0.
double encode(const QString& in, const QString& out, const Mode& mode, bool plain) {
    qputenv("LUMIVOX_MP3_MODE", mode.env.toLatin1());
    if (plain) {
        qputenv("LUMIVOX_PARALLEL", "0");
    } else {
        qunsetenv("LUMIVOX_PARALLEL");
    }
    const double wall = bench::timed([&] {
                            bench::runQuietly(QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe",
                                              {"-i", in, "-y", "-vn", "-ar", "44100", "-ab",
                                               mode.kbps + "k", "-ac", "2", out});
                        }).wall;
    qunsetenv("LUMIVOX_PARALLEL");
    qunsetenv("LUMIVOX_MP3_MODE");
    return wall;
}

QStringList flacsIn(const QString& folder, int count) {
    QStringList found;
    for (const QString& name : QDir(folder).entryList({"*.flac"}, QDir::Files, QDir::Name)) {
        if (found.size() < count) {
            found << QDir(folder).filePath(name);
        }
    }
    return found;
}

// The first `seconds` of a recording as 44.1 kHz 16-bit stereo FLAC.
QString cut(const QString& source, const QString& out, int seconds) {
    bench::runQuietly(
        "ffmpeg", {"-v", "error", "-y", "-i", source, "-t", QString::number(seconds), "-map", "0:a",
                   "-ac", "2", "-ar", "44100", "-sample_fmt", "s16", out});
    return out;
}

QString noise(const QString& out, const QString& color, int seconds, double amplitude) {
    bench::runQuietly(
        "ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i",
         QStringLiteral("anoisesrc=d=%1:c=%2:r=44100:a=%3").arg(seconds).arg(color).arg(amplitude),
         "-ac", "2", "-sample_fmt", "s16", out});
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString folder = args.size() > 1 && !args[1].startsWith("--") ? args[1] : QString();
    const int at = static_cast<int>(args.indexOf("--rounds"));
    const int rounds = at > 0 ? std::max(1, args.value(at + 1).toInt()) : 3;
    QTemporaryDir dir;
    std::printf("load average: %s\n", qPrintable(bench::loadAverage()));

    // 1. The modes on the same inputs (--album: only the album).
    QStringList inputs;
    const bool albumOnly = args.contains("--album");
    int n = 0;
    for (const QString& f : flacsIn(folder, 3)) {
        inputs << cut(f, dir.filePath(QStringLiteral("in%1.flac").arg(n++)), 180);
    }
    inputs << noise(dir.filePath("pink.flac"), "pink", 180, 0.3)
           << noise(dir.filePath("white.flac"), "white", 180, 0.1);
    const Mode modes[] = {{"CBR 320", "320", "CBR"},
                          {"CBR 128", "128", "CBR"},
                          {"V0", "128", "V0"},
                          {"V2", "128", "V2"}};
    std::printf(
        "\n%-8s %12s %12s %12s %8s   (sizes of all %lld inputs; wall time of coder.exe "
        "in pieces and of plain ffmpeg, summed)\n",
        "mode", "size MB", "pieces s", "plain s", "ratio", static_cast<long long>(inputs.size()));
    for (const Mode& mode : albumOnly ? std::span<const Mode>() : std::span<const Mode>(modes)) {
        double size = 0, pieces = 0, plain = 0;
        for (const QString& in : inputs) {
            const QString out = dir.filePath("out.mp3");
            plain += encode(in, out, mode, true);
            pieces += encode(in, out, mode, false);
            size += static_cast<double>(QFileInfo(out).size()) / 1e6;
        }
        std::printf("%-8s %12.2f %12.2f %12.2f %8.2f\n", mode.name, size, pieces, plain,
                    pieces / plain);
    }

    // 2. Album loudness through the window, against off.
    const QString album = dir.filePath("album");
    QDir().mkpath(album);
    QStringList tracks;
    const QStringList sources = flacsIn(folder, 10);
    for (int k = 0; k < 10; ++k) {
        const QString track = album + QStringLiteral("/%1.flac").arg(k + 1, 2, 10, QChar(u'0'));
        tracks << (k < sources.size() ? cut(sources[k], track, 90)
                                      : noise(track, k % 2 ? "pink" : "brown", 90, 0.1 + 0.05 * k));
    }
    bench::useBenchFolders(dir);
    const QString before = settings::load(settings::ini::ReplayGain);
    std::vector<double> off, albumTimes, offCpu, albumCpu;
    for (int round = 0; round < rounds; ++round) {
        for (const bool gain : round % 2 ? std::vector{true, false} : std::vector{false, true}) {
            settings::save(settings::ini::ReplayGain, gain ? "album" : "off");
            const QString out = dir.filePath(QStringLiteral("out%1%2").arg(round).arg(gain));
            const bench::Timing t = bench::timed([&] { bench::throughWindow(tracks, out); });
            (gain ? albumTimes : off).push_back(t.wall);
            (gain ? albumCpu : offCpu).push_back(t.cpu);
        }
    }
    settings::save(settings::ini::ReplayGain, before);
    std::printf(
        "\nalbum of 10 x 90 s through the window (%s), median of %d: off %.2f s, album "
        "%.2f s, ratio %.3f\n",
        sources.size() >= 10 ? "recordings" : "partly noise", rounds, bench::median(off),
        bench::median(albumTimes), bench::median(albumTimes) / bench::median(off));
    // Processor time is what other work on the machine sways least.
    std::printf(
        "processor time (this process and the tools): off %.2f s, album %.2f s, ratio "
        "%.3f\n",
        bench::median(offCpu), bench::median(albumCpu),
        bench::median(albumCpu) / bench::median(offCpu));
    return 0;
}
