#include "engine/albumfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "engine/apppaths.h"

namespace lumivox::album {

namespace {
const QStringList kCoverStems{QStringLiteral("cover"), QStringLiteral("folder"),
                              QStringLiteral("front")};
const QStringList kCoverSuffixes{QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
                                 QStringLiteral(".png")};

// The place of a cover name in the order of preference; -1 for any other name.
int coverRank(const QString& name) {
    const QString lower = name.toLower();
    for (qsizetype stem = 0; stem < kCoverStems.size(); ++stem) {
        for (qsizetype suffix = 0; suffix < kCoverSuffixes.size(); ++suffix) {
            if (lower == kCoverStems.at(stem) + kCoverSuffixes.at(suffix)) {
                return static_cast<int>(stem * kCoverSuffixes.size() + suffix);
            }
        }
    }
    return -1;
}
}  // namespace

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
        if (coverRank(name) >= 0 && QFileInfo(folder + paths::kSeparator + name).isFile()) {
            covers << name;
        }
    }
    std::stable_sort(covers.begin(), covers.end(), [](const QString& a, const QString& b) {
        return coverRank(a) < coverRank(b);
    });
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
