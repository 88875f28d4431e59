#include "library/syncrecord.h"

#include <QStringList>
#include <QUrl>

namespace lumivox::library {

namespace {
const QString kMagic = QStringLiteral("lumivox-sync/1");

QString encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "/"));
}

QString decoded(const QString& text) {
    return QUrl::fromPercentEncoding(text.toLatin1());
}
}  // namespace

QString outputKey(const QString& bitrate, const QString& rate, int channels, const QString& mode,
                  bool id3v23) {
    return QStringLiteral("%1k %2 %3ch %4 %5")
        .arg(bitrate.trimmed(), rate.trimmed())
        .arg(channels)
        .arg(mode, id3v23 ? QStringLiteral("id3v2.3") : QStringLiteral("id3v2.4"));
}

QString recordKey(const QString& source, int track) {
    return track > 0 ? source + QStringLiteral("\n#") + QString::number(track) : source;
}

QString recordText(const SyncRecord& r) {
    QStringList parts{kMagic};
    parts << QStringLiteral("src=") + encoded(r.source);
    if (r.track > 0) {
        parts << QStringLiteral("trk=") + QString::number(r.track);
    }
    parts << QStringLiteral("md5=") + QString::fromLatin1(r.sound.md5)
          << QStringLiteral("size=") + QString::number(r.sound.size)
          << QStringLiteral("mtime=") + QString::number(r.sound.mtimeMs)
          << QStringLiteral("audio=") + QString::fromLatin1(r.sound.audioHash)
          << QStringLiteral("tags=") + QString::fromLatin1(r.tags)
          << QStringLiteral("out=") + encoded(r.output);
    return parts.join(u' ');
}

std::optional<SyncRecord> parseRecord(const QString& text) {
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.front() != kMagic) {
        return std::nullopt;
    }
    SyncRecord r;
    bool haveSource = false;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype eq = parts[i].indexOf(u'=');
        if (eq <= 0) {
            return std::nullopt;
        }
        const QString key = parts[i].left(eq);
        const QString value = parts[i].mid(eq + 1);
        if (key == QStringLiteral("src")) {
            r.source = decoded(value);
            haveSource = !r.source.isEmpty();
        } else if (key == QStringLiteral("trk")) {
            r.track = value.toInt();
        } else if (key == QStringLiteral("md5")) {
            r.sound.md5 = value.toLatin1();
        } else if (key == QStringLiteral("size")) {
            r.sound.size = value.toLongLong();
        } else if (key == QStringLiteral("mtime")) {
            r.sound.mtimeMs = value.toLongLong();
        } else if (key == QStringLiteral("audio")) {
            r.sound.audioHash = value.toLatin1();
        } else if (key == QStringLiteral("tags")) {
            r.tags = value.toLatin1();
        } else if (key == QStringLiteral("out")) {
            r.output = decoded(value);
        }
        // A later version's keys are passed over.
    }
    if (!haveSource) {
        return std::nullopt;
    }
    return r;
}

}  // namespace lumivox::library
