#include "library/outputtree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "library/id3record.h"

namespace lumivox::library {

QList<RecordedMp3> recordedMp3s(const QString& root) {
    QList<RecordedMp3> found;
    QDirIterator it(root, {QStringLiteral("*.mp3"), QStringLiteral("*.MP3")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isSymLink()) {
            continue;  // not ours to read through, nor to remove
        }
        if (auto record = readRecord(path)) {
            found.append(RecordedMp3{path, *record});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RecordedMp3& a, const RecordedMp3& b) { return a.path < b.path; });
    return found;
}

QHash<QString, RecordedMp3> bySource(const QList<RecordedMp3>& mp3s) {
    QHash<QString, RecordedMp3> index;
    for (const RecordedMp3& mp3 : mp3s) {
        const QString key = recordKey(mp3.record.source, mp3.record.track);
        if (!index.contains(key)) {
            index.insert(key, mp3);
        }
    }
    return index;
}

QList<RecordedMp3> goneSources(const QList<RecordedMp3>& mp3s, const QString& scannedFolder) {
    QList<RecordedMp3> gone;
    const QDir scanned(scannedFolder);
    for (const RecordedMp3& mp3 : mp3s) {
        const QString source = mp3.record.source;
        // A record naming a way out of the scanned folder is not one this scan can judge.
        if (source.startsWith(u'/') || source.split(u'/').contains(QStringLiteral(".."))) {
            continue;
        }
        if (!QFileInfo(scanned.filePath(source)).isFile()) {
            gone.append(mp3);
        }
    }
    return gone;
}

QString removalQuestion(const QList<RecordedMp3>& gone, const QString& root) {
    QString text = QStringLiteral("源文件已不存在的 %1 个 MP3 要删除吗？").arg(gone.size());
    const QDir base(root);
    constexpr qsizetype kNamed = 5;
    for (qsizetype i = 0; i < std::min(kNamed, gone.size()); ++i) {
        text += QStringLiteral("\n") + base.relativeFilePath(gone[i].path);
    }
    if (gone.size() > kNamed) {
        text += QStringLiteral("\n…");
    }
    return text;
}

int removeMp3s(const QList<RecordedMp3>& gone, const QString& root) {
    const QString top = QDir::cleanPath(root);
    int removed = 0;
    for (const RecordedMp3& mp3 : gone) {
        // Read again: the file may have been replaced by one of the user's since the scan.
        const auto record = readRecord(mp3.path);
        if (!record || record->source != mp3.record.source || record->track != mp3.record.track ||
            !QFile::remove(mp3.path)) {
            continue;
        }
        ++removed;
        QString folder = QFileInfo(mp3.path).absolutePath();
        while (folder.startsWith(top + u'/') && QDir().rmdir(folder)) {
            folder = QFileInfo(folder).absolutePath();
        }
    }
    return removed;
}

}  // namespace lumivox::library
