// An album image of real music with a GB18030 sheet, split through the window, against the same
// tracks as separate FLACs through the window and against two plain ffmpeg side by side on them;
// then each cut's worst 1152-sample window and the sample counts.
//
//   build/bench/lumivox_cue_bench FOLDER [--minutes 40] [--rounds 3]
//
// FOLDER holds 44.1 kHz 16-bit stereo FLACs (bench/make_corpus.sh makes them).

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bench/benchsupport.h"
#include "bench/mp3batches.h"
#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/lumivoxini.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "widgets/desktopservices.h"

using namespace lumivox;
using namespace lumivox::bench;

namespace {

constexpr long kWindow = 1152;
constexpr long kCutWindows = 40;  // windows looked at on each side of a cut

// SNR of one window of both channels, in dB; NaN when near silence (under -60 dBFS).
double windowSnr(const std::vector<short>& ref, std::size_t refAt, const std::vector<short>& coded,
                 std::size_t codedAt) {
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < 2 * kWindow; ++i) {
        const double s = ref[refAt + i], d = s - coded[codedAt + i];
        signal += s * s;
        noise += d * d;
    }
    if (signal < 2.0 * kWindow * 32.768 * 32.768) {
        return NAN;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

// The worst window among the first and the last kCutWindows of a track, against the image.
double worstAtCuts(const std::vector<short>& image, long from, const std::vector<short>& track) {
    const long windows = static_cast<long>(track.size() / 2) / kWindow;
    double worst = INFINITY;
    for (long w = 0; w < windows; ++w) {
        if (w >= kCutWindows && w < windows - kCutWindows) {
            continue;
        }
        const double snr = windowSnr(image, static_cast<std::size_t>((from + w * kWindow) * 2),
                                     track, static_cast<std::size_t>(w * kWindow * 2));
        worst = std::isnan(snr) ? worst : std::min(worst, snr);
    }
    return worst;
}

QString indexTime(long samples) {
    const long frames = samples / 588;
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 75 / 60, 2, 10, QChar(u'0'))
        .arg(frames / 75 % 60, 2, 10, QChar(u'0'))
        .arg(frames % 75, 2, 10, QChar(u'0'));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: lumivox_cue_bench FOLDER [--minutes N] [--rounds N]\n");
        return 2;
    }
    auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 ? args.value(at + 1).toInt() : fallback;
    };
    const int minutes = option("--minutes", 40);
    const int rounds = std::max(1, option("--rounds", 3));

    QTemporaryDir dir;
    useBenchFolders(dir);
    settings::save(settings::ini::CueSplit, true);
    settings::save(settings::ini::CueCodePage, QString());

    // The image: whole corpus files, each cut to whole CD frames, until it is long enough.
    const QDir corpus(args[1]);
    QList<long> starts{0};
    QStringList parts;
    for (const QString& name : corpus.entryList({"*.flac"}, QDir::Files, QDir::Name)) {
        if (starts.last() >= minutes * 60L * 44100) {
            break;
        }
        const std::vector<short> pcm = decodeStereo(corpus.filePath(name));
        const long length = static_cast<long>(pcm.size() / 2) / 588 * 588;
        const QString part = dir.filePath(QStringLiteral("part%1.raw").arg(parts.size()));
        QFile f(part);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(pcm.data()), length * 4);
        parts << part;
        starts << starts.last() + length;
    }
    const long total = starts.last();
    QFile list(dir.filePath("parts.raw"));
    list.open(QIODevice::WriteOnly);
    for (const QString& part : parts) {
        QFile f(part);
        f.open(QIODevice::ReadOnly);
        list.write(f.readAll());
        f.remove();
    }
    list.close();
    QDir().mkpath(dir.filePath("image"));
    QDir().mkpath(dir.filePath("tracks"));
    const QString image = dir.filePath("image/专辑.flac");
    runQuietly("ffmpeg", {"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i",
                          list.fileName(), image});
    QString sheet = QStringLiteral(
        "PERFORMER \"测试乐队\"\r\nTITLE \"整轨专辑\"\r\n"
        "FILE \"专辑.wav\" WAVE\r\n");
    QStringList trackFlacs;
    for (qsizetype k = 0; k + 1 < starts.size(); ++k) {
        sheet += QStringLiteral("  TRACK %1 AUDIO\r\n    TITLE \"第%2首\"\r\n    INDEX 01 %3\r\n")
                     .arg(k + 1, 2, 10, QChar(u'0'))
                     .arg(k + 1)
                     .arg(indexTime(starts[k]));
        trackFlacs << dir.filePath(
            QStringLiteral("tracks/t%1.flac").arg(k + 1, 2, 10, QChar(u'0')));
        runQuietly("ffmpeg", {"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i",
                              list.fileName(), "-af",
                              QStringLiteral("atrim=start_sample=%1:end_sample=%2")
                                  .arg(starts[k])
                                  .arg(starts[k + 1]),
                              trackFlacs.last()});
    }
    list.remove();
    QFile cue(dir.filePath("image/专辑.cue"));
    cue.open(QIODevice::WriteOnly);
    cue.write(QStringEncoder("GB18030")(sheet));
    cue.close();
    std::printf("image: %lld tracks, %.1f min, load %s\n", static_cast<long long>(parts.size()),
                total / 44100.0 / 60, qPrintable(loadAverage()));

    // Rounds in alternating order, so neither side always runs on a warmer or quieter machine.
    std::vector<double> splits, separates, ffmpegs;
    for (int round = 0; round < rounds; ++round) {
        for (const bool splitFirst : {round % 2 == 0, round % 2 != 0}) {
            if (splitFirst) {
                QDir(dir.filePath("out-split")).removeRecursively();
                splits.push_back(
                    timed([&] { throughWindow({image}, dir.filePath("out-split")); }).wall);
            } else {
                QDir(dir.filePath("out-tracks")).removeRecursively();
                separates.push_back(
                    timed([&] { throughWindow(trackFlacs, dir.filePath("out-tracks")); }).wall);
            }
        }
        QDir(dir.filePath("out-ffmpeg")).removeRecursively();
        QDir().mkpath(dir.filePath("out-ffmpeg"));
        ffmpegs.push_back(
            timed([&] { twoSideBySide(trackFlacs, dir.filePath("out-ffmpeg")); }).wall);
        std::printf("round %d: split %.1f s, separate %.1f s, ffmpeg %.1f s, load %s\n", round + 1,
                    splits.back(), separates.back(), ffmpegs.back(), qPrintable(loadAverage()));
    }
    const double split = median(splits), separate = median(separates), ffmpeg = median(ffmpegs);
    std::printf(
        "wall (median of %d): split %.1f s, separate FLACs through the window %.1f s "
        "(ratio %.3f), two ffmpeg side by side %.1f s (ratio %.3f)\n",
        rounds, split, separate, split / separate, ffmpeg, split / ffmpeg);

    const std::vector<short> whole = decodeStereo(image);
    const QDir splitFolder(dir.filePath("out-split/测试乐队 - 整轨专辑"));
    const QStringList mp3s = splitFolder.entryList({"*.mp3"}, QDir::Files, QDir::Name);
    const QDir trackFolder(dir.filePath("out-tracks"));
    const QStringList separateMp3s = trackFolder.entryList({"*.mp3"}, QDir::Files, QDir::Name);
    long sum = 0;
    double worstDiff = -INFINITY;
    for (qsizetype k = 0; k < mp3s.size() && k + 1 < starts.size(); ++k) {
        const std::vector<short> track = decodeStereo(splitFolder.filePath(mp3s[k]));
        const long samples = static_cast<long>(track.size() / 2);
        sum += samples;
        const double cut = worstAtCuts(whole, starts[k], track);
        double alone = NAN;
        if (k < separateMp3s.size()) {
            alone =
                worstAtCuts(whole, starts[k], decodeStereo(trackFolder.filePath(separateMp3s[k])));
            worstDiff = std::max(worstDiff, alone - cut);
        }
        std::printf(
            "%s: %ld samples (span %ld), worst window at its cuts %.2f dB, as a FLAC of "
            "its own %.2f dB\n",
            qPrintable(mp3s[k]), samples, starts[k + 1] - starts[k], cut, alone);
    }
    std::printf(
        "tracks: %lld, samples %ld of the image's %ld; worst cut window %.2f dB below the "
        "same track encoded alone\n",
        static_cast<long long>(mp3s.size()), sum, total, worstDiff);
    return 0;
}
