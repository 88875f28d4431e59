// The folder scan of a generated music library (100 000 entries in 1 000 folders, about a third
// of the files FLAC) against `find DIR -iname '*.flac'` in the same run, and the add-folder
// command of the shown window on the same tree. Each reports the longest gap between two ticks
// of a 5 ms timer, that is, how long the window went without serving its events. Then a wide
// collection: 2 000 artist folders side by side in one folder, each with an album, against find.
//
//   build/bench/lumivox_folderscan_bench [folders] [files-per-folder]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "engine/base/apppaths.h"
#include "filelist/commondialogs.h"
#include "filelist/filelistmodel.h"
#include "filelist/folderscan.h"
#include "shell/filelistcommands.h"
#include "shell/frmmain.h"

using namespace lumivox;

namespace {

// 1 000 folders as 50 artists of 20 albums, each album with its tracks, covers and notes.
void makeLibrary(const QString& root, int folders, int filesPerFolder) {
    for (int f = 0; f < folders; ++f) {
        const QString album = root + QStringLiteral("/Artist %1/Album %2").arg(f / 20).arg(f % 20);
        QDir().mkpath(album);
        for (int i = 0; i < filesPerFolder; ++i) {
            const char* ext = i % 3 == 0 ? ".flac" : (i % 3 == 1 ? ".jpg" : ".txt");
            QFile(album + QStringLiteral("/Track %1").arg(i) + ext).open(QIODevice::WriteOnly);
        }
    }
}

// 2 000 artists in one folder, each with one album of a few tracks.
void makeWideLibrary(const QString& root, int artists) {
    for (int a = 0; a < artists; ++a) {
        const QString album = root + QStringLiteral("/Artist %1/Album").arg(a);
        QDir().mkpath(album);
        for (int i = 0; i < 6; ++i) {
            const char* ext = i % 2 == 0 ? ".flac" : ".jpg";
            QFile(album + QStringLiteral("/Track %1").arg(i) + ext).open(QIODevice::WriteOnly);
        }
    }
}

// Milliseconds of the second of two runs of find and of the scan on root (the first warms the
// directory cache), and the scan's FLAC count.
struct Timing {
    double findMs = 0;
    double scanMs = 0;
    qint64 scanGap = 0;
    qsizetype found = 0;
};

// Records the longest interval between ticks of a fast timer while it lives.
class GapMeter {
  public:
    GapMeter() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
        clock_.start();
        timer_.start();
    }
    qint64 longestMs() { return std::max(longest_, clock_.elapsed()); }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

}  // namespace

// find and the folder scan over the same tree, each timed on its second run (a warm directory
// cache for both). `found`, when given, receives the scan's files.
static Timing timeAgainstFind(const QString& root, QStringList* found = nullptr) {
    Timing t;
    QElapsedTimer timer;
    for (int round = 0; round < 2; ++round) {
        QProcess find;
        timer.restart();
        find.start(QStringLiteral("find"),
                   {root, QStringLiteral("-iname"), QStringLiteral("*.flac")});
        find.waitForFinished(-1);
        find.readAllStandardOutput();
        t.findMs = timer.nsecsElapsed() / 1e6;
    }
    QStringList files;
    for (int round = 0; round < 2; ++round) {
        files.clear();
        GapMeter gaps;
        FolderScan scan([] { QCoreApplication::processEvents(); });
        timer.restart();
        scan.SearchFolder(root, files);
        t.scanMs = timer.nsecsElapsed() / 1e6;
        t.scanGap = gaps.longestMs();
    }
    t.found = files.size();
    if (found) {
        *found = files;
    }
    return t;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int folders = argc > 1 ? QString(argv[1]).toInt() : 1000;
    const int perFolder = argc > 2 ? QString(argv[2]).toInt() : 99;
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/Music");
    makeLibrary(root, folders, perFolder);

    QStringList found;
    const Timing t = timeAgainstFind(root, &found);

    QElapsedTimer timer;
    paths::setAppFolderOverride(dir.path());
    frmMain window;
    window.show();
    QApplication::processEvents();
    setDialogHandler([&root](const DialogRequest&) { return DialogAnswer{true, root, 0, {}}; });
    double commandMs = 0;
    qint64 commandGap = 0;
    {
        GapMeter gaps;
        timer.restart();
        window.fileCommands()->ScanFolderIntoList();
        QApplication::processEvents();
        commandMs = timer.nsecsElapsed() / 1e6;
        commandGap = gaps.longestMs();
    }
    const int commandEntries = window.fileList()->FileCount();
    // The add alone: the same paths appended once more to the shown list.
    double addMs = 0;
    qint64 addGap = 0;
    {
        GapMeter gaps;
        timer.restart();
        window.fileList()->addFileEntries(found);
        QApplication::processEvents();
        addMs = timer.nsecsElapsed() / 1e6;
        addGap = gaps.longestMs();
    }

    const QString wide = dir.path() + QStringLiteral("/Wide");
    makeWideLibrary(wide, 2000);
    const Timing w = timeAgainstFind(wide);

    std::printf("tree: %d folders, %d entries, %lld FLAC found\n", folders, folders * perFolder,
                static_cast<long long>(found.size()));
    std::printf("find -iname '*.flac':          %8.1f ms\n", t.findMs);
    std::printf("folder scan:                   %8.1f ms  (ratio %.2f)  longest gap %lld ms\n",
                t.scanMs, t.scanMs / t.findMs, static_cast<long long>(t.scanGap));
    std::printf("add-folder command in window:  %8.1f ms  longest gap %lld ms  (%d entries)\n",
                commandMs, static_cast<long long>(commandGap), commandEntries);
    std::printf("adding the found files again:  %8.1f ms  longest gap %lld ms\n", addMs,
                static_cast<long long>(addGap));
    std::printf("wide tree: 2000 artist folders in one folder, %lld FLAC found\n",
                static_cast<long long>(w.found));
    std::printf("find -iname '*.flac':          %8.1f ms\n", w.findMs);
    std::printf("folder scan:                   %8.1f ms  (ratio %.2f)  longest gap %lld ms\n",
                w.scanMs, w.scanMs / w.findMs, static_cast<long long>(w.scanGap));
    paths::setAppFolderOverride({});
    if (w.found != 2000 * 3) {
        return 1;
    }
    return window.fileList()->FileCount() == 2 * found.size() ? 0 : 1;
}
