#include "engine/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace lumivox::paths {

namespace {

QString& appFolderOverride() {
    static QString folder;
    return folder;
}

QString& tempOverride() {
    static QString folder;
    return folder;
}

// A folder only this user can enter, and not a link someone could point elsewhere. A folder
// that exists with wider rights is narrowed; one that cannot be narrowed is refused.
bool makePrivateFolder(const QString& path) {
    if (path.isEmpty() || path.contains(u' ')) {
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        const QFileInfo parent(QFileInfo(path).absolutePath());
        if (!parent.isDir() && !QDir().mkpath(parent.absoluteFilePath())) {
            return false;
        }
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (::lstat(native.constData(), &info) != 0) {
            return false;
        }
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return false;  // a symlink, a file, or someone else's folder
    }
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        return false;
    }
    return true;
}

QString defaultCacheFolder() {
    if (!QCoreApplication::applicationName().isEmpty()) {
        return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/lumivox");
}

QString fallbackFolder() {
    return QDir::tempPath() + QStringLiteral("/lumivox-") + QString::number(::getuid());
}

// Empty when T is not to be had; then so are the files inside it, rather than paths that would
// land in a shared folder.
QString inside(const QString& relative) {
    const QString folder = privateTempFolder();
    return folder.isEmpty() ? QString() : folder + relative;
}

}  // namespace

QString appFolder() {
    if (!appFolderOverride().isEmpty()) {
        return appFolderOverride();
    }
    return QCoreApplication::applicationDirPath();
}

QString defaultOutputFolder() {
    return appFolder() + QStringLiteral("/output");
}

QString lumivoxIni() {
    return appFolder() + QStringLiteral("/lumivox.ini");
}

QString resolveOutputFolder(const QString& text) {
    QString folder = text.trimmed().isEmpty() ? defaultOutputFolder() : text;
    if (!folder.startsWith(kSeparator)) {
        folder = appFolder() + kSeparator + folder;
    }
    return withTrailingSeparator(folder);
}

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

void setAppFolderOverride(const QString& folder) {
    appFolderOverride() = folder;
}

QString privateTempFolder() {
    if (!tempOverride().isEmpty()) {
        return makePrivateFolder(tempOverride()) ? tempOverride() : QString();
    }
    // Checked on every use: the folder may have been removed or replaced since the last one.
    for (const QString& candidate : {defaultCacheFolder(), fallbackFolder()}) {
        if (makePrivateFolder(candidate)) {
            return candidate;
        }
    }
    return QString();
}

void setPrivateTempFolderOverride(const QString& folder) {
    tempOverride() = folder;
}

QString tmpFolder() {
    const QString folder = inside(QStringLiteral("/tmp"));
    return makePrivateFolder(folder) ? folder : QString();
}

QString tmpMp4() {
    const QString folder = tmpFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tmp.mp4");
}

QString tmpWav() {
    return inside(QStringLiteral("/tmp.wav"));
}

QString tmpFileWav() {
    const QString folder = tmpFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tmpfile.wav");
}

QString tmpFile1Mp3() {
    const QString folder = tmpFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tmpfile1.mp3");
}

}  // namespace lumivox::paths
