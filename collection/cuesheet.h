#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace lumivox::cue {

// One audio TRACK of a sheet. Indexes are in CD frames (75 a second), -1 when the sheet gives
// none; a FLAC's CUESHEET block also gives them exactly, in samples.
struct Track {
    int number = 0;       // among the sheet's audio tracks, from 1: data tracks are not counted
    int sheetNumber = 0;  // as the sheet writes it
    QString title;
    QString performer;
    QString songwriter;
    QString composer;  // REM COMPOSER
    QString isrc;
    qint64 index00 = -1;
    qint64 index01 = -1;
    qint64 index01Samples = -1;
    // Where a data track that follows in the same file starts: the audio ends there.
    qint64 endBefore = -1;
    qint64 endBeforeSamples = -1;
    // A data track comes before it in the same file: the audio starts at INDEX 01, not at 0.
    bool afterData = false;
};

// The tracks whose INDEX 01 lies in one FILE of the sheet; a FILE named twice is one file.
struct File {
    QString name;  // as the sheet writes it, maybe with a folder
    QList<Track> tracks;
};

struct Sheet {
    QString title;
    QString performer;
    QString songwriter;
    QString composer;
    QString catalog;
    QString date;
    QString genre;
    QString comment;
    QString discNumber;
    QString totalDiscs;
    QList<File> files;
    int audioTracks = 0;  // over every file
    // A reason for each line that was not used: "第 7 行：未知的关键字 FOO".
    QStringList notes;
};

// The most of a file taken for a sheet: a real one is a few kilobytes.
inline constexpr qint64 kMostSheetBytes = 256 * 1024;

// Turns the bytes of a code page other than UTF-8 into text (the guess, or the user's choice);
// nullopt when they are not valid in it.
using Decoder = std::function<std::optional<QString>(const QByteArray&)>;

// The sheet's text: UTF-8 with or without a byte-order mark, UTF-16 and UTF-32 with one or
// without (told by where the NUL bytes fall); anything else goes through `other`. nullopt when
// nothing reads it.
std::optional<QString> decodeSheet(const QByteArray& bytes, const Decoder& other);

// What was read of a sheet: the sheet, and when it cannot be used, why.
struct Reading {
    Sheet sheet;
    QString refused;  // empty when the sheet is usable
};

// Reads a sheet's text as rippers write it, keeping on past what it does not know:
//   PERFORMER "Artist"
//   REM DATE 1999
//   FILE "image.wav" WAVE
//     TRACK 01 AUDIO
//       TITLE "Song ""live"""
//       INDEX 00 03:58:20
//       INDEX 01 04:00:00
// Keywords in any letter case, tabs as blanks, values quoted or not, LF, CR or CRLF line ends, a
// trailing Ctrl-Z. Unknown keywords are skipped with a note; data tracks (MODE1/2352, ...) are
// left out. Refused: an INDEX that does not read as mm:ss:ff, or no audio track at all.
Reading readSheet(const QString& text);

// readSheet's sheet; nullopt, with the reason in `why`, when it was refused.
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
// the first from 0, the last to `samples` (or a data track's start). nullopt, with the reason in
// `why`, when an INDEX 01 is missing, out of order or not before the audio's end.
std::optional<QList<Span>> trackSpans(const QList<Track>& tracks, qint64 rate, qint64 samples,
                                      QString* why = nullptr);

}  // namespace lumivox::cue
