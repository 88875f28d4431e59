// Real-world CUE sheets (bench/cue_sheets, from other programs' test data), each given FLACs of
// the lengths it names: how many split into the tracks, titles and n/total a careful reader
// expects (bench/cue_sheets/expected.txt).
//   lumivox_cue_sheets_bench [SHEETS_FOLDER] [-v]
// Only the image lookup's public calls are used, so the same source also builds against an
// older tree for a before-and-after count.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

#include "collection/cueimage.h"
#include "collection/imagetracks.h"

using namespace lumivox;

namespace {

// The FLACs a sheet names, in order, each long enough for its last INDEX and then some.
QList<QPair<QString, double>> flacsOf(const QString& text) {
    static const QRegularExpression file(
        QStringLiteral("^\\s*FILE\\s+\"?([^\"]*?)\"?\\s+\\w+\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression index(QStringLiteral("INDEX\\s+\\d+\\s+(\\d+):(\\d+):(\\d+)"));
    QList<QPair<QString, double>> flacs;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        if (const auto m = file.match(line); m.hasMatch()) {
            QString name = m.captured(1).section(u'\\', -1).section(u'/', -1);
            name = name.left(name.lastIndexOf(u'.')) + QStringLiteral(".flac");
            const auto known = std::find_if(flacs.begin(), flacs.end(),
                                            [&](const auto& f) { return f.first == name; });
            if (known == flacs.end()) {
                flacs.append({name, 60.0});
            }
        } else if (const auto i = index.match(line); i.hasMatch() && !flacs.isEmpty()) {
            const double at = i.captured(1).toDouble() * 60 + i.captured(2).toDouble() +
                              i.captured(3).toDouble() / 75;
            flacs.last().second = std::max(flacs.last().second, at + 60);
        }
    }
    return flacs;
}

bool makeFlac(const QString& path, double seconds) {
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
             "anullsrc=r=44100:cl=stereo", "-t", QString::number(seconds, 'f', 3), "-sample_fmt",
             "s16", "-compression_level", "0", path});
    return p.waitForFinished(120000) && p.exitCode() == 0;
}

QString tagOf(const cue::ImageTrack& t, const char* key) {
    for (const auto& [k, v] : t.tags) {
        if (k == QLatin1String(key)) {
            return v;
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString folder = QStringLiteral(LUMIVOX_CUE_SHEETS);
    bool verbose = false;
    for (const QString& a : app.arguments().mid(1)) {
        a == u"-v" ? void(verbose = true) : void(folder = a);
    }
    QFile expectedFile(folder + QStringLiteral("/expected.txt"));
    if (!expectedFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no %s\n", qPrintable(expectedFile.fileName()));
        return 2;
    }
    std::map<QString, QStringList> expected;
    QString current;
    for (const QString& line : QString::fromUtf8(expectedFile.readAll()).split(u'\n')) {
        if (line.startsWith(u'[')) {
            current = line.mid(1, line.size() - 2);
        } else if (!line.isEmpty()) {
            expected[current].append(line);
        }
    }

    int right = 0;
    int sheets = 0;
    for (const auto& [name, titles] : expected) {
        ++sheets;
        QFile sheetFile(folder + u'/' + name);
        if (!sheetFile.open(QIODevice::ReadOnly)) {
            std::printf("%-44s missing\n", qPrintable(name));
            continue;
        }
        const QByteArray bytes = sheetFile.readAll();
        QTemporaryDir dir;
        QFile::copy(sheetFile.fileName(), dir.filePath(name));
        const auto flacs = flacsOf(QString::fromLatin1(bytes));
        QStringList got;
        bool allRefusedAndNamed = !flacs.isEmpty();
        for (const auto& [flac, seconds] : flacs) {
            if (!makeFlac(dir.filePath(flac), seconds)) {
                std::fprintf(stderr, "ffmpeg failed for %s\n", qPrintable(flac));
                return 2;
            }
        }
        for (const auto& [flac, seconds] : flacs) {
            const cue::Lookup found =
                cue::findImage(dir.filePath(flac), cue::sheetDecoder(QString()));
            allRefusedAndNamed = allRefusedAndNamed && !found.image && !found.sheet.isEmpty() &&
                                 !found.problem.isEmpty();
            if (!found.image) {
                got << QStringLiteral("(whole %1)").arg(flac);
                continue;
            }
            for (const cue::ImageTrack& t : found.image->tracks) {
                got << QStringLiteral("%1/%2 %3")
                           .arg(tagOf(t, "TRACKNUMBER"), tagOf(t, "TRACKTOTAL"), t.title);
            }
        }
        bool ok = false;
        if (titles == QStringList{QStringLiteral("refused")}) {
            ok = allRefusedAndNamed;
        } else if (got.size() == titles.size()) {
            ok = true;
            for (qsizetype i = 0; i < titles.size(); ++i) {
                const QString number = QStringLiteral("%1/%2 ").arg(i + 1).arg(titles.size());
                const QString untitled = QStringLiteral("Track %1").arg(i + 1, 2, 10, QChar(u'0'));
                const bool fits = titles[i] == u"-"
                                      ? got[i] == number + untitled || got[i] == number
                                      : got[i] == number + titles[i];
                ok = ok && fits;
            }
        }
        right += ok ? 1 : 0;
        std::printf("%-44s %s (%lld tracks expected, %lld given)\n", qPrintable(name),
                    ok ? "right" : "WRONG", static_cast<long long>(titles.size()),
                    static_cast<long long>(got.size()));
        if (verbose && !ok) {
            for (const QString& g : got) {
                std::printf("    %s\n", qPrintable(g));
            }
        }
    }
    std::printf("\n%d of %d sheets split as a careful reader expects\n", right, sheets);
    return 0;
}
