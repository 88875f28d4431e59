#include "collection/sourcelinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include "collection/albumfolders.h"
#include "collection/nativenames.h"
#include "engine/base/apppaths.h"

namespace lumivox {

QString SourceLinks::reach(const QString& readablePath, const QByteArray& nativePath) {
    clear();
    const QString name = QFileInfo(readablePath).fileName();
    const QString temp = paths::privateTempFolder();
    if (nativePath.isEmpty() || name.isEmpty() || temp.isEmpty()) {
        return readablePath;
    }
    folder_ = temp + QStringLiteral("/source");
    QDir(folder_).removeRecursively();  // a run that ended by a crash may have left links
    if (!QDir().mkpath(folder_)) {
        folder_.clear();
        return readablePath;
    }
    const QString link = folder_ + u'/' + name;
    if (::symlink(nativePath.constData(), QFile::encodeName(link).constData()) != 0) {
        return readablePath;
    }
    const QByteArray sourceFolder = nativePath.left(nativePath.lastIndexOf('/') + 1);
    for (const QByteArray& entry : names::folderEntries(sourceFolder)) {
        const QString entryName = QString::fromUtf8(entry);
        if (album::isCoverName(entryName) && entryName != name) {
            const QByteArray target = sourceFolder + entry;
            const QByteArray coverLink = QFile::encodeName(folder_ + u'/' + entryName);
            [[maybe_unused]] const int made = ::symlink(target.constData(), coverLink.constData());
        }
    }
    return link;
}

void SourceLinks::clear() {
    if (!folder_.isEmpty()) {
        // Removes the links themselves, never what they point to.
        QDir(folder_).removeRecursively();
        folder_.clear();
    }
}

}  // namespace lumivox
