#include "library/syncdecision.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include "collection/outputnames.h"

namespace lumivox::library {

SyncAction decideSync(const std::optional<SyncRecord>& stored, SyncRecord& now,
                      const std::function<QByteArray()>& hashAudio) {
    if (!stored || stored->output != now.output) {
        return SyncAction::Encode;
    }
    const SoundPrint& was = stored->sound;
    SoundPrint& is = now.sound;
    bool refresh = false;
    if (!was.md5.isEmpty() || !is.md5.isEmpty()) {
        if (was.md5 != is.md5) {
            return SyncAction::Encode;
        }
    } else if (was.size != is.size || was.mtimeMs != is.mtimeMs) {
        // The quick check failed: a tagger touched it, or it was copied; the audio tells.
        if (was.audioHash.isEmpty()) {
            return SyncAction::Encode;
        }
        if (is.audioHash.isEmpty() && hashAudio) {
            is.audioHash = hashAudio();
        }
        if (is.audioHash != was.audioHash) {
            return SyncAction::Encode;
        }
        refresh = true;
    } else {
        is.audioHash = was.audioHash;
    }
    return (refresh || stored->tags != now.tags) ? SyncAction::Retag : SyncAction::Skip;
}

QString stableMp3Path(const QString& folder, const QString& sourcePath) {
    const QString tail = QStringLiteral(".mp3");
    QString stem = QFileInfo(sourcePath).completeBaseName();
    if (stem.isEmpty()) {
        stem = QFileInfo(sourcePath).fileName();
    }
    const QString base = folder.endsWith(u'/') || folder.isEmpty() ? folder : folder + u'/';
    return base + fitStem(stem, tail) + tail;
}

QString stableTrackPath(const QString& folder, int number, const QString& title) {
    const QString stem =
        QStringLiteral("%1 - %2").arg(number, 2, 10, QChar(u'0')).arg(fileNameSafe(title));
    const QString tail = QStringLiteral(".mp3");
    return folder + fitStem(stem, tail) + tail;
}

QString sourceRelativePath(const QString& sourcePath, const QString& scannedFolder) {
    if (scannedFolder.isEmpty()) {
        return QFileInfo(sourcePath).fileName();
    }
    const QString relative = QDir(QDir::cleanPath(scannedFolder)).relativeFilePath(sourcePath);
    return relative.startsWith(QStringLiteral("../")) ? QFileInfo(sourcePath).fileName() : relative;
}

QString syncWorkPath(const QString& stablePath) {
    const QFileInfo info(stablePath);
    const QByteArray hash =
        QCryptographicHash::hash(info.fileName().toUtf8(), QCryptographicHash::Sha1).toHex();
    // Ends in .mp3: coder.exe tags only what it sees as an MP3.
    return info.path() + QStringLiteral("/.lumivox-sync-") + QString::fromLatin1(hash.left(16)) +
           QStringLiteral(".mp3");
}

}  // namespace lumivox::library
