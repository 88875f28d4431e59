// Sync mode on a generated library: the first run, a run with nothing changed, and a run after
// retagging some files and replacing others, each through the window; the tag rewrite alone.
//   lumivox_sync_bench [--albums 200] [--tracks 10] [--seconds 1] [--retag 20] [--replace 5]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

#include "bench/benchsupport.h"
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

namespace {

QString g_lastMessage;

int option(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

// One batch of the whole library through the window, sync ticked; wall seconds.
double runBatch(const QStringList& flacs, const QString& scanned, const QString& out) {
    MainProgram program;
    frmMain& w = program.window();
    w.formatBoxes()->selectFormat(FormatMp3);
    w.txtPath()->setText(out);
    w.fileList()->addFileEntries(flacs, scanned);
    QSignalSpy finished(&program.batch(), &ConversionBatch::batchFinished);
    QElapsedTimer clock;
    clock.start();
    program.batch().imgStart_Click();
    finished.wait(6 * 3600 * 1000);
    return static_cast<double>(clock.elapsed()) / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int albums = option(args, "--albums", 200);
    const int tracks = option(args, "--tracks", 10);
    const int seconds = option(args, "--seconds", 1);
    const int retagged = option(args, "--retag", 20);
    const int replaced = option(args, "--replace", 5);

    QTemporaryDir dir;
    const QString appFolder = dir.filePath("app");
    QDir().mkpath(appFolder);
    QFile::link(QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../data"),
                appFolder + "/data");
    paths::setAppFolderOverride(appFolder);
    paths::setPrivateTempFolderOverride(dir.filePath("T"));
    QDir().mkpath(dir.filePath("T/tmp"));
    setMessageHandler([](const Message& m) { g_lastMessage = m.text; });
    setQuestionHandler([](const Message&) { return false; });
    desktopServices() =
        DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};
    settings::save(settings::ini::LibrarySync, true);

    std::printf("generating %d albums of %d FLACs of %d s ...\n", albums, tracks, seconds);
    std::fflush(stdout);
    QStringList bases;
    for (int t = 0; t < tracks + 1; ++t) {
        const QString base = dir.filePath(QStringLiteral("base%1.flac").arg(t));
        bench::runQuietly(
            "ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                       QStringLiteral("sine=f=%1:d=%2").arg(220 + 37 * t).arg(seconds), "-ac", "2",
                       "-sample_fmt", "s16", base});
        bases << base;
    }
    const QString scanned = dir.filePath("music");
    QStringList flacs;
    for (int a = 0; a < albums; ++a) {
        const QString album =
            QStringLiteral("%1/Artist %2/Album %3").arg(scanned).arg(a / 10).arg(a);
        QDir().mkpath(album);
        for (int t = 0; t < tracks; ++t) {
            const QString flac =
                QStringLiteral("%1/%2 Track.flac").arg(album).arg(t + 1, 2, 10, QChar(u'0'));
            QFile::copy(bases[t], flac);
            flacs << flac;
        }
        QStringList tag{"--set-tag=ALBUM=Album " + QString::number(a), "--set-tag=ARTIST=Artist"};
        bench::runQuietly("metaflac", tag + flacs.mid(flacs.size() - tracks));
    }
    const QString out = dir.filePath("out");

    const double first = runBatch(flacs, scanned, out);
    std::printf("first run:      %8.2f s  (%lld files)  %s\n", first,
                static_cast<long long>(flacs.size()), qPrintable(g_lastMessage));
    const double unchanged = runBatch(flacs, scanned, out);
    std::printf("nothing changed:%8.2f s  = %.2f %% of the first  %s\n", unchanged,
                100.0 * unchanged / first, qPrintable(g_lastMessage));

    for (int i = 0; i < retagged; ++i) {
        bench::runQuietly("metaflac", {"--remove-tag=TITLE", "--set-tag=TITLE=Retagged",
                                       flacs[(i * 97) % flacs.size()]});
    }
    for (int i = 0; i < replaced; ++i) {
        const QString flac = flacs[(i * 89 + 50) % flacs.size()];
        QFile::remove(flac);
        QFile::copy(bases[tracks], flac);
    }
    const double changed = runBatch(flacs, scanned, out);
    const double perEncode = first / flacs.size();
    std::printf(
        "%d retagged, %d replaced: %8.2f s  (%d encodes at the first run's %.3f s each = "
        "%.2f s)  %s\n",
        retagged, replaced, changed, replaced, perEncode, replaced * perEncode,
        qPrintable(g_lastMessage));

    // The tag rewrite alone: coder.exe --retag on MP3s of the output, median of them.
    std::vector<double> rewrites;
    const QString coder = appFolder + "/data/coder.exe";
    for (int i = 0; i < std::min<int>(20, flacs.size()); ++i) {
        const QString flac = flacs[i];
        const QString mp3 =
            out + "/music/" +
            QDir(scanned).relativeFilePath(flac).replace(QRegularExpression("\\.flac$"), ".mp3");
        const bench::Timing t = bench::timed([&] {
            bench::runQuietly(coder, {"--retag", "-i", flac, "-metadata", "X=1", mp3});
        });
        rewrites.push_back(t.wall * 1000.0);
    }
    std::printf("tag rewrite (coder.exe --retag, one process): median %.1f ms, worst %.1f ms\n",
                bench::median(rewrites), *std::max_element(rewrites.begin(), rewrites.end()));
    return 0;
}
