#include "collection/albumfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/base/apppaths.h"

namespace lumivox::album {

namespace {
const QStringList kCoverStems{QStringLiteral("cover"), QStringLiteral("folder"),
                              QStringLiteral("front")};
const QStringList kCoverSuffixes{QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
                                 QStringLiteral(".png")};

}  // namespace

bool isCoverName(const QString& name) {
    const QString lower = name.toLower();
    for (const QString& stem : kCoverStems) {
        for (const QString& suffix : kCoverSuffixes) {
            if (lower == stem + suffix) {
                return true;
            }
        }
    }
    return false;
}
QString mirroredSubfolder(const QString& entryPath, const QString& foundUnder) {
    if (foundUnder.isEmpty()) {
        return {};
    }
    // A picked root ("/") gives results such as "//a.flac"; cleaning both sides lines them up.
    const QString base = QDir::cleanPath(foundUnder);
    const QString folder =
        QDir::cleanPath(entryPath.left(entryPath.lastIndexOf(paths::kSeparator)));
    const QString below = base.endsWith(paths::kSeparator) ? base : base + paths::kSeparator;
    if (folder != base && !folder.startsWith(below)) {
        return {};
    }
    const QString relative = folder.mid(base.lastIndexOf(paths::kSeparator) + 1);
    return relative.isEmpty() ? QString() : relative + paths::kSeparator;
}

QStringList coverFiles(const QString& folder) {
    QStringList covers;
    // Files only: a pipe named cover.jpg would hang the copy.
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (isCoverName(name) && QFileInfo(folder + paths::kSeparator + name).isFile()) {
            covers << name;
        }
    }
    return covers;
}

int copyCoverFiles(const QString& fromFolder, const QString& toFolder) {
    int copied = 0;
    for (const QString& name : coverFiles(fromFolder)) {
        const QString target = toFolder + paths::kSeparator + name;
        const QFileInfo existing(target);
        if (existing.exists() || existing.isSymLink()) {
            continue;  // the user's own picture, or a link that would be written through
        }
        if (QFile::copy(fromFolder + paths::kSeparator + name, target)) {
            ++copied;
        }
    }
    return copied;
}

}  // namespace lumivox::album
