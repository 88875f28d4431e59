#include "library/id3record.h"

#include <QFile>
#include <QStringDecoder>

namespace lumivox::library {

namespace {
constexpr qint64 kMaxTag = 64 * 1024 * 1024;

quint32 syncsafe(const QByteArray& b, qsizetype at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) {
        v = (v << 7) | (static_cast<quint8>(b[at + i]) & 0x7f);
    }
    return v;
}

quint32 plain(const QByteArray& b, qsizetype at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    }
    return v;
}

// Where a text of this ID3 encoding ends from `at`: its terminator, or the end.
qsizetype textEnd(const QByteArray& data, qsizetype at, bool wide) {
    if (!wide) {
        const qsizetype zero = data.indexOf('\0', at);
        return zero < 0 ? data.size() : zero;
    }
    for (qsizetype i = at; i + 1 < data.size(); i += 2) {
        if (data[i] == '\0' && data[i + 1] == '\0') {
            return i;
        }
    }
    return data.size();
}

QString decodeText(const QByteArray& bytes, int encoding) {
    switch (encoding) {
        case 0:
            return QString::fromLatin1(bytes);
        case 1:
            return QStringDecoder(QStringDecoder::Utf16).decode(bytes);
        case 2:
            return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
        default:
            return QString::fromUtf8(bytes);
    }
}

// TXXX: encoding byte, description, terminator, value.
std::optional<QString> userText(const QByteArray& frame, const QString& description) {
    if (frame.isEmpty()) {
        return std::nullopt;
    }
    const int encoding = static_cast<quint8>(frame[0]);
    const bool wide = encoding == 1 || encoding == 2;
    const qsizetype end = textEnd(frame, 1, wide);
    if (decodeText(frame.mid(1, end - 1), encoding) != description) {
        return std::nullopt;
    }
    const qsizetype valueAt = std::min(frame.size(), end + (wide ? 2 : 1));
    QString value = decodeText(frame.mid(valueAt), encoding);
    // Several values are kept apart by terminators; the record is one.
    if (const qsizetype zero = value.indexOf(QChar(u'\0')); zero >= 0) {
        value.truncate(zero);
    }
    return value;
}
}  // namespace

std::optional<QString> readUserText(const QString& mp3Path, const QString& description) {
    QFile file(mp3Path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray header = file.read(10);
    if (header.size() != 10 || !header.startsWith("ID3")) {
        return std::nullopt;
    }
    const int major = static_cast<quint8>(header[3]);
    const int flags = static_cast<quint8>(header[5]);
    const qint64 size = syncsafe(header, 6);
    // Unsynchronised tags are rare and TagLib writes none; not worth undoing here.
    if ((major != 3 && major != 4) || (flags & 0x80) || size > kMaxTag) {
        return std::nullopt;
    }
    const QByteArray tag = file.read(size);
    qsizetype at = 0;
    if (flags & 0x40) {  // extended header
        if (tag.size() < 4) {
            return std::nullopt;
        }
        at = major == 4 ? syncsafe(tag, 0) : plain(tag, 0) + 4;
    }
    while (at + 10 <= tag.size() && tag[at] != '\0') {
        const QByteArray id = tag.mid(at, 4);
        const qint64 frameSize = major == 4 ? syncsafe(tag, at + 4) : plain(tag, at + 4);
        const qsizetype body = at + 10;
        if (frameSize < 0 || body + frameSize > tag.size()) {
            return std::nullopt;
        }
        if (id == "TXXX") {
            if (auto value = userText(tag.mid(body, frameSize), description)) {
                return value;
            }
        }
        at = body + frameSize;
    }
    return std::nullopt;
}

std::optional<SyncRecord> readRecord(const QString& mp3Path) {
    const std::optional<QString> text = readUserText(mp3Path, kRecordField);
    return text ? parseRecord(*text) : std::nullopt;
}

}  // namespace lumivox::library
