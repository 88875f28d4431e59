#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

#include "collection/cuesheet.h"

namespace lumivox::cue {

// One track of an album image as the batch encodes it.
struct ImageTrack {
    int number = 0;
    QString title;  // the sheet's, the FLAC's, or "Track 01"
    Span span;
    // Vorbis field names and values that override the FLAC's own for this track's MP3; an empty
    // value drops the field.
    QList<QPair<QString, QString>> tags;
};

struct Image {
    QString folderName;  // "PERFORMER - TITLE" of the sheet; empty when it names neither
    qint64 rate = 0;
    qint64 samples = 0;
    QList<ImageTrack> tracks;
};

// What was found for one FLAC: no sheet (sheet empty), a usable one, or one that is not used
// and why.
struct Lookup {
    QString sheet;  // the .cue's path, or the FLAC's path with what in it held the sheet
    std::optional<Image> image;
    QString problem;
};

// The FLAC's sheet: a .cue beside it with the same stem in any letter case, or one whose FILE
// names this FLAC or a file of its stem (the .wav or .ape the ripper wrote); else the FLAC's
// CUESHEET comment; else its CUESHEET block (titles from its CUE_TRACKnn_TITLE fields, else
// "Track 01"...). `other` reads a sheet that is neither UTF-8 nor UTF-16.
Lookup findImage(const QString& flacPath, const Decoder& other);

// A sheet's tracks laid on an audio file of `rate` and `samples`, tagged: the tracks of the FILE
// named `flacName` (or its stem), or all of them when the sheet names a single file.
std::optional<Image> imageFromSheet(const Sheet& sheet, const QString& flacName, qint64 rate,
                                    qint64 samples, QString* why);

}  // namespace lumivox::cue
