#include "library/syncplan.h"

#include <QDir>
#include <QFileInfo>

#include "collection/outputnames.h"
#include "library/id3record.h"

namespace lumivox::library {

QString SyncPlanner::mirrorOf(const QString& outFolder, const QString& scannedFolder) {
    const QString name = QFileInfo(QDir::cleanPath(scannedFolder)).fileName();
    const QString base = outFolder.endsWith(u'/') ? outFolder : outFolder + u'/';
    return name.isEmpty() ? base : base + name + u'/';
}

const QHash<QString, RecordedMp3>& SyncPlanner::indexFor(const QString& scannedFolder) {
    auto found = indexes_.find(scannedFolder);
    if (found == indexes_.end()) {
        const QList<RecordedMp3> mp3s = recordedMp3s(mirrorOf(outFolder_, scannedFolder));
        recorded_.insert(scannedFolder, mp3s);
        found = indexes_.insert(scannedFolder, bySource(mp3s));
    }
    return *found;
}

SyncStep SyncPlanner::plan(const QString& source, const QString& toolPath,
                           const QString& scannedFolder, const QString& entryFolder,
                           const QString& outputKey) {
    SyncRecord now;
    now.source = sourceRelativePath(source, scannedFolder);
    now.output = outputKey;
    // A link's folder is made again for each source: its covers are not the last one's.
    CoverPrints linked;
    const SourcePrint print = readSourcePrint(toolPath, toolPath == source ? covers_ : linked);
    now.sound = print.sound;
    now.tags = print.tags;
    const qint64 audioFrom = print.flac ? print.audioOffset : 0;
    const auto audio = [&] { return hashAudio(toolPath, audioFrom); };

    SyncStep step;
    std::optional<SyncRecord> stored;
    const QHash<QString, RecordedMp3>& index = indexFor(scannedFolder);
    if (const auto it = index.constFind(now.source); it != index.constEnd()) {
        step.mp3 = it->path;
        stored = it->record;
    } else {
        const QString stable = stableMp3Path(entryFolder, source);
        if (isNameTaken(stable)) {
            // Not written by a sync batch for this source: the user's, never overwritten.
            const auto there = readRecord(stable);
            step.userFileAtName = !there;
            if (there) {
                step.mp3.clear();  // another source's: this one takes the usual unique name
            }
        } else {
            step.mp3 = stable;
        }
    }
    step.action = decideSync(stored, now, audio);
    if (step.action == SyncAction::Encode && now.sound.md5.isEmpty() &&
        now.sound.audioHash.isEmpty()) {
        now.sound.audioHash = audio();  // the next run's sure check
    }
    if (step.action == SyncAction::Encode && !step.mp3.isEmpty()) {
        step.workPath = syncWorkPath(step.mp3);
    }
    step.record = recordText(now);
    return step;
}

QList<SyncPlanner::Gone> SyncPlanner::gone() const {
    QList<Gone> all;
    for (auto it = recorded_.constBegin(); it != recorded_.constEnd(); ++it) {
        Gone g{mirrorOf(outFolder_, it.key()), goneSources(it.value(), it.key())};
        if (!g.mp3s.isEmpty()) {
            all.append(g);
        }
    }
    return all;
}

}  // namespace lumivox::library
