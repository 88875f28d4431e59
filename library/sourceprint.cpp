#include "library/sourceprint.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "collection/albumfolders.h"

namespace lumivox::library {

namespace {
constexpr int kStreamInfo = 0;
constexpr int kCueSheet = 5;
constexpr int kVorbisComment = 4;
constexpr int kPicture = 6;

quint32 bigEndian(const QByteArray& bytes, qsizetype at, int count) {
    quint32 value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<quint8>(bytes[at + i]);
    }
    return value;
}

// Some rippers put an ID3v2 tag before "fLaC"; its size is syncsafe.
qint64 flacStart(QFile& file) {
    const QByteArray head = file.read(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        qint64 size = 0;
        for (int i = 6; i < 10; ++i) {
            size = (size << 7) | (static_cast<quint8>(head[i]) & 0x7f);
        }
        return 10 + size + ((static_cast<quint8>(head[5]) & 0x10) ? 10 : 0);
    }
    return 0;
}
}  // namespace

QByteArray CoverPrints::of(const QString& folder) {
    const auto found = byFolder_.constFind(folder);
    if (found != byFolder_.constEnd()) {
        return *found;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QStringList names = album::coverFiles(folder);
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
        QFile file(QDir(folder).filePath(name));
        hash.addData(name.toUtf8());
        if (file.open(QIODevice::ReadOnly)) {
            hash.addData(&file);
        }
    }
    const QByteArray print = names.isEmpty() ? QByteArray() : hash.result().toHex();
    byFolder_.insert(folder, print);
    return print;
}

SourcePrint readSourcePrint(const QString& path, CoverPrints& covers) {
    SourcePrint print;
    const QFileInfo info(path);
    print.sound.size = info.size();
    print.sound.mtimeMs = info.lastModified().toMSecsSinceEpoch();
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return print;
    }
    print.ok = true;
    const qint64 start = flacStart(file);
    if (!file.seek(start) || file.read(4) != "fLaC") {
        return print;  // not a FLAC: the whole file is its sound, and there are no tags to tell
    }
    QCryptographicHash tags(QCryptographicHash::Sha1);
    bool picture = false;
    bool last = false;
    while (!last) {
        const QByteArray header = file.read(4);
        if (header.size() != 4) {
            return print;
        }
        last = (static_cast<quint8>(header[0]) & 0x80) != 0;
        const int type = static_cast<quint8>(header[0]) & 0x7f;
        const quint32 length = bigEndian(header, 1, 3);
        if (type == kStreamInfo || type == kVorbisComment || type == kPicture ||
            type == kCueSheet) {
            const QByteArray body = file.read(length);
            if (body.size() != static_cast<qsizetype>(length)) {
                return print;
            }
            if (type == kStreamInfo && length >= 34) {
                const QByteArray md5 = body.mid(18, 16);
                if (md5 != QByteArray(16, '\0')) {
                    print.sound.md5 = md5.toHex();
                }
            } else if (type != kStreamInfo) {
                tags.addData(header.left(1));
                tags.addData(body);
                picture = picture || type == kPicture;
            }
        } else if (!file.seek(file.pos() + length)) {
            return print;
        }
    }
    if (!picture) {
        tags.addData(covers.of(info.absolutePath()));
    }
    print.tags = tags.result().toHex();
    print.audioOffset = file.pos();
    print.flac = true;
    return print;
}

QByteArray hashAudio(const QString& path, qint64 from) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file)) {
        return {};
    }
    return hash.result().toHex();
}

}  // namespace lumivox::library
