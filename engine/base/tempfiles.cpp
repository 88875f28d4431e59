#include "engine/base/tempfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "engine/base/apppaths.h"

namespace lumivox {

namespace {
bool exists(const QString& path) {
    // A dangling symlink is a file to remove as well.
    return !path.isEmpty() && (QFileInfo::exists(path) || QFileInfo(path).isSymLink());
}
}  // namespace

QStringList temporaryFiles() {
    QStringList files{paths::tmpFileWav(), paths::tmpFile1Mp3(), paths::tmpWav(), paths::tmpMp4()};
    if (const QString folder = paths::tmpFolder(); !folder.isEmpty()) {
        // MEncoder's log, and sox.exe's note on the WAV it decoded.
        files << folder + QStringLiteral("/divx2pass.log")
              << folder + QStringLiteral("/decoded-flac");
        // The loudness the decodes measured, and the album list the batch wrote.
        files << folder + QStringLiteral("/album");
        for (const QString& name :
             QDir(folder).entryList({QStringLiteral("loudness-*")}, QDir::Files | QDir::Hidden)) {
            files << folder + u'/' + name;
        }
    }
    files.removeAll(QString());
    return files;
}

QStringList removeTemporaryFiles(const QStringList& files, const std::function<void()>& serve,
                                 int boundMs) {
    QElapsedTimer clock;
    clock.start();
    QStringList left;
    for (const QString& path : files) {
        while (exists(path) && clock.elapsed() < boundMs) {
            if (QFile::remove(path)) {
                break;
            }
            if (serve) {
                serve();
            }
            QThread::msleep(10);
        }
        if (exists(path)) {
            left << path;
        }
    }
    return left;
}

}  // namespace lumivox
