// Every lossless format through the window against the same audio as FLAC: a 3-minute file of
// each, and a 40-minute album image split as APE against the same image as FLAC.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bench/benchsupport.h"
#include "bench/mp3batches.h"
#include "settings/lumivoxini.h"

using namespace lumivox;
using namespace lumivox::bench;

namespace {

QByteArray littleEndian(quint64 v, int bytes) {
    QByteArray b;
    for (int i = 0; i < bytes; ++i) {
        b.append(static_cast<char>(v >> (8 * i)));
    }
    return b;
}

// DSD64 of 44.1 kHz stereo PCM: each sample held for 64 DSD samples (a crude upsampling; the
// decoder's low-pass takes the steps away) into a second-order sigma-delta modulator, written as
// DSF with blocks of 4096 bytes a channel, least significant bit first.
QByteArray dsfOf(const std::vector<short>& pcm) {
    const qint64 frames = static_cast<qint64>(pcm.size() / 2);
    const qint64 samples = frames * 64;
    const qint64 bytes = samples / 8;
    const qint64 blocks = (bytes + 4095) / 4096;
    QByteArray data(static_cast<qsizetype>(blocks * 8192), '\0');
    for (int c = 0; c < 2; ++c) {
        double a = 0, b = 0, y = 0;
        for (qint64 i = 0; i < samples; ++i) {
            const double x = 0.5 * pcm[static_cast<std::size_t>(i / 64 * 2 + c)] / 32768.0;
            a += x - y;
            b += a - y;
            y = b >= 0 ? 1 : -1;
            if (y > 0) {
                const qint64 byte = i / 8;
                const auto at =
                    static_cast<qsizetype>((byte / 4096) * 8192 + c * 4096 + byte % 4096);
                data[at] = static_cast<char>(static_cast<unsigned char>(data[at]) | 1 << (i % 8));
            }
        }
    }
    const quint64 total = 28 + 52 + 12 + static_cast<quint64>(data.size());
    return "DSD " + littleEndian(28, 8) + littleEndian(total, 8) + littleEndian(0, 8) + "fmt " +
           littleEndian(52, 8) + littleEndian(1, 4) + littleEndian(0, 4) + littleEndian(2, 4) +
           littleEndian(2, 4) + littleEndian(2822400, 4) + littleEndian(1, 4) +
           littleEndian(static_cast<quint64>(samples), 8) + littleEndian(4096, 4) +
           littleEndian(0, 4) + "data" + littleEndian(12 + static_cast<quint64>(data.size()), 8) +
           data;
}

bool writeRaw(const QString& path, const std::vector<short>& pcm) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(pcm.data()),
                   static_cast<qint64>(pcm.size() * 2)) == static_cast<qint64>(pcm.size() * 2);
}

// 44.1 kHz 16-bit stereo: the folder's FLACs one after another, else pink noise.
std::vector<short> audio(const QString& folder, double seconds, const QString& scratch) {
    std::vector<short> pcm;
    const auto wanted = static_cast<std::size_t>(seconds * 44100) * 2;
    if (!folder.isEmpty()) {
        for (const QString& name : QDir(folder).entryList({"*.flac"}, QDir::Files, QDir::Name)) {
            const std::vector<short> part = decodeStereo(QDir(folder).filePath(name));
            pcm.insert(pcm.end(), part.begin(), part.end());
            if (pcm.size() >= wanted) {
                break;
            }
        }
    }
    if (pcm.size() < wanted) {
        runQuietly("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", scratch, "synth",
                           QString::number(seconds), "pinknoise", "gain", "-6"});
        pcm = decodeStereo(scratch);
    }
    pcm.resize(wanted);
    return pcm;
}

// The source in every format, each in its own folder: "<dir>/<format>/song.<ext>".
QStringList makeFormats(const QString& dir, const std::vector<short>& pcm) {
    const QString raw = dir + "/song.raw";
    writeRaw(raw, pcm);
    const QString wav = dir + "/song.wav";
    runQuietly("ffmpeg",
               {"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", raw, wav});
    QStringList made;
    const auto place = [&](const QString& ext) {
        QDir().mkpath(dir + "/" + ext);
        return dir + "/" + ext + "/song." + ext;
    };
    if (runQuietly("flac", {"-s", "-f", wav, "-o", place("flac")})) {
        made << place("flac");
    }
    if (runQuietly("jmac", {"c2", wav, place("ape")})) {
        made << place("ape");
    }
    if (runQuietly("wavpack", {"-q", "-y", wav, "-o", place("wv")})) {
        made << place("wv");
    }
    if (runQuietly("ffmpeg", {"-v", "error", "-y", "-i", wav, place("tta")})) {
        made << place("tta");
    }
    if (runQuietly("ffmpeg", {"-v", "error", "-y", "-i", wav, "-c:a", "alac", place("m4a")})) {
        made << place("m4a");
    }
    if (QFile::copy(wav, place("wav"))) {
        made << place("wav");
    }
    if (runQuietly("sox", {wav, place("aiff")})) {
        made << place("aiff");
    }
    QFile dsf(place("dsf"));
    if (dsf.open(QIODevice::WriteOnly) && dsf.write(dsfOf(pcm)) > 0) {
        made << place("dsf");
    }
    QFile::remove(raw);
    QFile::remove(wav);
    return made;
}

QString indexTime(qint64 samples) {
    const qint64 frames = samples / 588;
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
    if (args.contains("--help")) {
        std::printf(
            "usage: lumivox_formats_bench [FOLDER] [--rounds N] [--minutes N] [--no-image]\n"
            "  FOLDER: FLACs to take the audio from (else pink noise)\n");
        return 0;
    }
    auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 ? args.value(at + 1).toInt() : fallback;
    };
    const QString folder = args.size() > 1 && !args[1].startsWith("--") ? args[1] : QString();
    const int rounds = std::max(1, option("--rounds", 3));
    const int minutes = option("--minutes", 40);

    QTemporaryDir dir;
    useBenchFolders(dir);
    settings::save(settings::ini::CueSplit, true);
    settings::save(settings::ini::CueCodePage, QString());
    std::printf("audio from %s, load %s\n", folder.isEmpty() ? "pink noise" : qPrintable(folder),
                qPrintable(loadAverage()));

    // A 3-minute file of each format, rounds in turning order so none always runs first.
    const std::vector<short> song = audio(folder, 180, dir.filePath("noise.wav"));
    const QStringList files = makeFormats(dir.path(), song);
    std::vector<std::vector<double>> walls(static_cast<std::size_t>(files.size()));
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            const qsizetype k = (i + round) % files.size();
            const QString out = dir.filePath("out/" + QString::number(k));
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            walls[static_cast<std::size_t>(k)].push_back(
                timed([&] { throughWindow({files[k]}, out); }).wall);
        }
    }
    const double flac = median(walls.front());
    std::printf("3-minute file through the window, median wall of %d rounds:\n", rounds);
    for (qsizetype k = 0; k < files.size(); ++k) {
        const QString out = dir.filePath("out/" + QString::number(k));
        const QStringList mp3 = QDir(out).entryList({"*.mp3"}, QDir::Files);
        const qint64 samples =
            mp3.isEmpty() ? 0
                          : static_cast<qint64>(decodeStereo(out + "/" + mp3.first()).size() / 2);
        const double wall = median(walls[static_cast<std::size_t>(k)]);
        std::printf("  %-5s %6.2f s  ratio %.3f  (%lld samples of %lld)\n",
                    qPrintable(QFileInfo(files[k]).suffix()), wall, wall / flac,
                    static_cast<long long>(samples), static_cast<long long>(song.size() / 2));
    }

    if (args.contains("--no-image") || QStandardPaths::findExecutable("jmac").isEmpty()) {
        return 0;
    }
    // The image: 40 minutes cut into tracks of about 4 minutes at whole CD frames, as APE and as
    // FLAC, each with its GB18030 sheet beside it.
    const std::vector<short> whole = audio(folder, minutes * 60.0, dir.filePath("noise.wav"));
    const qint64 total = static_cast<qint64>(whole.size() / 2);
    QString sheet = QStringLiteral(
        "PERFORMER \"测试乐队\"\r\nTITLE \"整轨专辑\"\r\nFILE \"CDImage.wav\" WAVE\r\n");
    int tracks = 0;
    for (qint64 at = 0; at < total - 60 * 44100; at += 240 * 44100 / 588 * 588) {
        ++tracks;
        sheet += QStringLiteral("  TRACK %1 AUDIO\r\n    TITLE \"第%2首\"\r\n    INDEX 01 %3\r\n")
                     .arg(tracks, 2, 10, QChar(u'0'))
                     .arg(tracks)
                     .arg(indexTime(at));
    }
    const QString raw = dir.filePath("image.raw"), wav = dir.filePath("image.wav");
    writeRaw(raw, whole);
    runQuietly("ffmpeg",
               {"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", raw, wav});
    QFile::remove(raw);
    QStringList images;
    for (const QString& ext : {QStringLiteral("flac"), QStringLiteral("ape")}) {
        QDir().mkpath(dir.filePath("image-" + ext));
        const QString image = dir.filePath("image-" + ext + "/CDImage." + ext);
        const bool made = ext == "flac" ? runQuietly("flac", {"-s", "-f", wav, "-o", image})
                                        : runQuietly("jmac", {"c2", wav, image});
        QFile cue(dir.filePath("image-" + ext + "/CDImage.cue"));
        if (!made || !cue.open(QIODevice::WriteOnly)) {
            std::printf("could not make the %s image\n", qPrintable(ext));
            return 1;
        }
        cue.write(QStringEncoder("GB18030")(sheet));
        images << image;
    }
    QFile::remove(wav);
    std::vector<double> flacSplits, apeSplits;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            const int k = (i + round) % 2;
            const QString out = dir.filePath("out-image-" + QString::number(k));
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            (k == 0 ? flacSplits : apeSplits).push_back(timed([&] {
                                                            throughWindow({images[k]}, out);
                                                        }).wall);
        }
    }
    qint64 apeSamples = 0;
    const QDir apeOut(dir.filePath("out-image-1/测试乐队 - 整轨专辑"));
    const QStringList apeTracks = apeOut.entryList({"*.mp3"}, QDir::Files, QDir::Name);
    for (const QString& name : apeTracks) {
        apeSamples += static_cast<qint64>(decodeStereo(apeOut.filePath(name)).size() / 2);
    }
    const double flacSplit = median(flacSplits), apeSplit = median(apeSplits);
    std::printf(
        "%d-minute image of %d tracks split through the window, median wall of %d rounds: "
        "FLAC %.1f s, APE %.1f s, ratio %.3f; APE tracks %lld, %lld samples of %lld\n",
        minutes, tracks, rounds, flacSplit, apeSplit, apeSplit / flacSplit,
        static_cast<long long>(apeTracks.size()), static_cast<long long>(apeSamples),
        static_cast<long long>(total));
    return 0;
}
