#include "engine/base/apppaths.h"

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

std::optional<bool>& perUserOverride() {
    static std::optional<bool> perUser;
    return perUser;
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

void setAppFolderOverride(const QString& folder) {
    appFolderOverride() = folder;
}

bool perUserFiles() {
    if (perUserOverride()) {
        return *perUserOverride();
    }
    static QString decidedFor;
    static bool perUser = false;
    const QString folder = appFolder();
    if (folder != decidedFor) {
        // access() also answers for a read-only mount; root passes it, hence the marker.
        perUser = ::access(QFile::encodeName(folder).constData(), W_OK) != 0 ||
                  QFileInfo::exists(folder + kSeparator + kInstalledMarker);
        decidedFor = folder;
    }
    return perUser;
}

void setPerUserFilesOverride(std::optional<bool> perUser) {
    perUserOverride() = perUser;
}

QString settingsFolder() {
    if (!perUserFiles()) {
        return appFolder();
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumivox");
}

QString setupIniPath() {
    return settingsFolder() + QStringLiteral("/setup.ini");
}

QString optionsIniPath() {
    return settingsFolder() + QStringLiteral("/options.ini");
}

QString lumivoxIniPath() {
    return settingsFolder() + QStringLiteral("/lumivox.ini");
}

bool seedSetupIni() {
    const QString installed = appFolder() + QStringLiteral("/setup.ini");
    const QString own = setupIniPath();
    // The folder also when there is nothing to copy: the settings are saved into it.
    if (!perUserFiles() || !QDir().mkpath(settingsFolder()) || QFileInfo::exists(own) ||
        !QFileInfo::exists(installed) || !QFile::copy(installed, own)) {
        return false;
    }
    // The copy keeps the installed file's read-only mode; the user's own must be writable.
    return QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

QString baseFolder() {
    return perUserFiles() ? QDir::homePath() : appFolder();
}

QString defaultOutputFolder() {
    if (!perUserFiles()) {
        return appFolder() + QStringLiteral("/output");
    }
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QDir::homePath() + QStringLiteral("/Music");
    }
    return music + QStringLiteral("/Lumivox");
}

QString resolveOutputFolder(const QString& text) {
    QString folder = text.trimmed().isEmpty() ? defaultOutputFolder() : text;
    if (!folder.startsWith(kSeparator)) {
        folder = baseFolder() + kSeparator + folder;
    }
    return withTrailingSeparator(folder);
}

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

bool makeOutputFolder(const QString& folder) {
    if (folder == resolveOutputFolder(QString())) {
        return QDir().mkpath(folder);
    }
    return QDir().mkdir(folder);
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
