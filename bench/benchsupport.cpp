#include "bench/benchsupport.h"

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstring>

namespace lumivox::bench {
namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double cpuSeconds() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

}  // namespace

Timing timed(const std::function<void()>& work) {
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    work();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore};
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage() {
    QFile file("/proc/loadavg");
    if (!file.open(QIODevice::ReadOnly)) {
        return "?";
    }
    // "0.52 0.58 0.59 1/467 12345": the three averages only
    const QStringList fields = QString::fromLatin1(file.readLine()).split(u' ');
    return fields.mid(0, 3).join(u' ');
}

QByteArray runCapture(const QString& program, const QStringList& args) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return process.readAllStandardOutput();
}

bool runQuietly(const QString& program, const QStringList& args) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QHash<QString, PathTaken> readPiecesReport(const QString& reportFile) {
    QHash<QString, PathTaken> taken;
    QFile file(reportFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return taken;
    }
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(u'\t');
        const QString path = fields.value(1).trimmed().toLower();
        if (fields.size() >= 2 && (path == "pieces" || path == "plain")) {
            taken.insert(QFileInfo(fields[0]).fileName(), {path, fields.mid(2).join(u' ')});
        }
    }
    return taken;
}

QString encoderTag(const QString& mp3) {
    // Both encodes write the same ID3 tag; the Info frame after it still names the encoder:
    // "LAME3.100" when coder.exe packed the pieces, "Lavc59.37" when ffmpeg wrote the file.
    QFile file(mp3);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray head = file.read(10);
    qint64 tagSize = 0;
    if (head.startsWith("ID3") && head.size() == 10) {
        tagSize = 10;
        for (int i = 6; i < 10; ++i) {
            tagSize += static_cast<qint64>(head[i] & 0x7f) << (7 * (9 - i));
        }
    }
    file.seek(tagSize);
    const QByteArray frame = file.read(1024);
    for (const char* name : {"LAME", "Lavc"}) {
        const int at = frame.indexOf(name);
        if (at >= 0) {
            return QString::fromLatin1(frame.mid(at, 9));
        }
    }
    return {};
}

QString pathTaken(const QHash<QString, PathTaken>& report, const QString& input,
                  const QString& output) {
    const auto it = report.constFind(QFileInfo(input).fileName());
    if (it != report.constEnd()) {
        return it->path;
    }
    const QString tag = encoderTag(output);
    if (tag.startsWith("LAME")) {
        return "pieces (tag)";
    }
    return tag.startsWith("Lavc") ? "plain (tag)" : "unknown";
}

std::vector<short> decodeStereo(const QString& path) {
    const QByteArray pcm = runCapture("ffmpeg", {"-v", "error", "-nostdin", "-i", path, "-f",
                                                 "s16le", "-ac", "2", "-ar", "44100", "pipe:1"});
    std::vector<short> samples(static_cast<std::size_t>(pcm.size()) / sizeof(short));
    std::memcpy(samples.data(), pcm.constData(), samples.size() * sizeof(short));
    return samples;
}

}  // namespace lumivox::bench
