#include "collection/outputnames.h"

#include <QFile>
#include <QFileInfo>

namespace lumivox {

QString fitStem(const QString& stem, const QString& tail) {
    qsizetype room = kMaxNameBytes - QFile::encodeName(tail).size();
    qsizetype end = 0;
    while (end < stem.size()) {
        const qsizetype next = end + (stem.at(end).isHighSurrogate() ? 2 : 1);
        room -= QFile::encodeName(stem.mid(end, next - end)).size();
        if (room < 0) {
            break;
        }
        end = next;
    }
    return stem.left(end);
}

QString fileNameSafe(const QString& text) {
    QString name;
    for (const QChar c : text) {
        const bool unfit = c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c);
        name += unfit ? QChar(u'_') : c;
    }
    while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace())) {
        name.chop(1);
    }
    while (!name.isEmpty() && (name.front() == u'.' || name.front().isSpace())) {
        name.remove(0, 1);
    }
    return name;
}

bool isNameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace lumivox
