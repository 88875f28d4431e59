#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace lumivox::cue {

// One TRACK of a sheet. Indexes are in CD frames (75 a second), -1 when the sheet gives none.
struct Track {
    int number = 0;
    QString title;
    QString performer;
    QString songwriter;
    QString isrc;
    qint64 index00 = -1;
    qint64 index01 = -1;
};

// The tracks whose INDEX 01 lies in one FILE of the sheet.
struct File {
    QString name;  // as the sheet writes it, maybe with a folder
    QList<Track> tracks;
};

struct Sheet {
    QString title;
    QString performer;
    QString songwriter;
    QString date;
    QString genre;
    QString comment;
    QString discNumber;
    QString totalDiscs;
    QList<File> files;
};

// The most of a file taken for a sheet: a real one is a few kilobytes.
inline constexpr qint64 kMostSheetBytes = 256 * 1024;

// Turns the bytes of a code page other than UTF-8 into text (the guess, or the user's choice);
// nullopt when they are not valid in it.
using Decoder = std::function<std::optional<QString>(const QByteArray&)>;

// The sheet's text: UTF-8 with or without a byte-order mark, UTF-16 with one; anything else goes
// through `other`. nullopt when nothing reads it.
std::optional<QString> decodeSheet(const QByteArray& bytes, const Decoder& other);

// Reads a sheet's text; keywords in any letter case, values quoted or not:
//   PERFORMER "Artist"
//   REM DATE 1999
//   FILE "image.wav" WAVE
//     TRACK 01 AUDIO
//       TITLE "Song"
//       INDEX 00 03:58:20
//       INDEX 01 04:00:00
// nullopt, with the reason in `why`, when the text is no sheet: a line no sheet holds, an index
// that does not read as mm:ss:ff, or no TRACK at all.
std::optional<Sheet> parseSheet(const QString& text, QString* why = nullptr);

// "mm:ss:ff" in CD frames; -1 when it does not read so.
qint64 readIndexTime(const QString& text);

// A track's span of the audio in samples, [start, end).
struct Span {
    qint64 start = 0;
    qint64 end = 0;
};

// Samples at `rate` that `frames` CD frames take: frames * rate / 75.
qint64 framesToSamples(qint64 frames, qint64 rate);

// Each track from its INDEX 01 to the next one's (a pregap stays at the end of the track before),
// the first from 0, the last to `samples`. nullopt, with the reason in `why`, when an INDEX 01
// is missing, out of order or not before the audio's end.
std::optional<QList<Span>> trackSpans(const QList<Track>& tracks, qint64 rate, qint64 samples,
                                      QString* why = nullptr);

}  // namespace lumivox::cue
