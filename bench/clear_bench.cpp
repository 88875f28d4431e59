// Remove-all on 10 000 entries in the shown main window, against the bare model clear with no
// event serving, in the same run.
//
//   build/bench/lumivox_clear_bench [entries]

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

#include "filelist/filelistmodel.h"
#include "shell/filelistcommands.h"
#include "shell/frmmain.h"

using namespace lumivox;

namespace {

QStringList entries(int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << QStringLiteral("/home/user/Music/album %1/track %2.flac").arg(i / 12).arg(i);
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString(argv[1]).toInt() : 10000;
    const QStringList paths = entries(count);

    FileListModel bare;
    bare.addFileEntries(paths);
    QElapsedTimer timer;
    timer.start();
    bare.ClearFileList([] {});
    const double baselineMs = timer.nsecsElapsed() / 1e6;

    frmMain window;
    window.show();
    QApplication::processEvents();
    timer.restart();
    window.fileList()->addFileEntries(paths);
    QApplication::processEvents();
    const double addMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    window.fileCommands()->ClearFileList();
    const double clearMs = timer.nsecsElapsed() / 1e6;

    std::printf("entries: %d\n", count);
    std::printf("bare model clear, no serving: %8.1f ms\n", baselineMs);
    std::printf("window add + one repaint:     %8.1f ms\n", addMs);
    std::printf("window remove-all:            %8.1f ms  (ratio %.1f)\n", clearMs,
                clearMs / baselineMs);
    return window.fileList()->FileCount() == 0 ? 0 : 1;
}
