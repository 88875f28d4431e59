#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumivox::library {

// The TXXX description the record is kept under in each MP3 written in sync mode.
inline const QString kRecordField = QStringLiteral("LUMIVOX_SYNC");

// What an MP3 remembers of the sound it was made from. Where the FLAC states an MD5 of its
// samples, that alone decides; else the size and modification time are the quick check and the
// hash of the audio frames the sure one.
struct SoundPrint {
    QByteArray md5;  // hex; empty when the FLAC leaves it unset
    qint64 size = -1;
    qint64 mtimeMs = -1;
    QByteArray audioHash;  // hex; empty when not taken
};

struct SyncRecord {
    QString source;  // relative to the scanned folder, "/" between folders
    int track = 0;   // an album image's track number; 0 for a whole file
    SoundPrint sound;
    QByteArray tags;  // hex hash of the tags, pictures and the folder's cover
    QString output;   // the output settings, as outputKey() spells them
};

// "128k 44100 2ch cbr id3v2.4": every setting that changes the MP3's sound or tag layout.
QString outputKey(const QString& bitrate, const QString& rate, int channels, const QString& mode,
                  bool id3v23);

// What a record is found by: its source, and its track of an album image.
QString recordKey(const QString& source, int track);

// One line of ASCII, so it reads the same from ID3v2.3 and 2.4 and any tool shows it:
//   lumivox-sync/1 src=Album%201/01.flac md5=9a0f... size=123 mtime=1700000000000 audio=
//   tags=5e1c... out=128k%2044100%202ch%20cbr%20id3v2.4
QString recordText(const SyncRecord& record);
std::optional<SyncRecord> parseRecord(const QString& text);

}  // namespace lumivox::library
