#include "library/syncplan.h"

#include <QCryptographicHash>
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
    return planFor(now, toolPath, stableMp3Path(entryFolder, source), scannedFolder, {});
}

SyncStep SyncPlanner::planTrack(const QString& source, const QString& toolPath,
                                const QString& scannedFolder, const Track& track,
                                const QString& outputKey) {
    SyncRecord now;
    now.source = sourceRelativePath(source, scannedFolder);
    now.track = track.number;
    now.output = outputKey + QStringLiteral(" span=") + track.span;
    return planFor(now, toolPath, track.stablePath, scannedFolder, track.tags);
}

SyncStep SyncPlanner::planFor(SyncRecord now, const QString& toolPath, const QString& stable,
                              const QString& scannedFolder, const QString& extraTags) {
    // A link's folder is made again for each source: its covers are not the last one's.
    CoverPrints linked;
    const bool linkedSource = QFileInfo(toolPath).isSymLink();
    const SourcePrint print = readSourcePrint(toolPath, linkedSource ? linked : covers_);
    now.sound = print.sound;
    now.tags = print.tags;
    if (!extraTags.isEmpty()) {
        now.tags =
            QCryptographicHash::hash(print.tags + extraTags.toUtf8(), QCryptographicHash::Sha1)
                .toHex();
    }
    const qint64 audioFrom = print.flac ? print.audioOffset : 0;
    const auto audio = [&] { return hashAudio(toolPath, audioFrom); };

    seen_.insert(recordKey(now.source, now.track));
    SyncStep step;
    std::optional<SyncRecord> stored;
    const QHash<QString, RecordedMp3>& index = indexFor(scannedFolder);
    if (const auto it = index.constFind(recordKey(now.source, now.track)); it != index.constEnd()) {
        step.mp3 = it->path;
        stored = it->record;
    } else if (!isNameTaken(stable)) {
        step.mp3 = stable;
    } else {
        // Not written by a sync batch for this source: never overwritten. Another source's
        // (two names alike but for their case) simply takes the usual unique name too.
        step.userFileAtName = !readRecord(stable);
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
        g.mp3s.removeIf([this](const RecordedMp3& mp3) {
            return seen_.contains(recordKey(mp3.record.source, mp3.record.track));
        });
        if (!g.mp3s.isEmpty()) {
            all.append(g);
        }
    }
    return all;
}

}  // namespace lumivox::library
