#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

#include "collection/cuesheet.h"

namespace lumivox::cue {

// One track of an album image as the batch encodes it.
struct ImageTrack {
    int number = 0;
    int disc = 0;   // set when the album has several discs: "D-NN - Title"
    QString title;  // the sheet's, the FLAC's, or "Track 01"
    Span span;
    // Vorbis field names and values that override the FLAC's own for this track's MP3; an empty
    // value drops the field.
    QList<QPair<QString, QString>> tags;
};

struct Image {
    QString folderName;  // "PERFORMER - TITLE" of the sheet, without a disc's mark; may be empty
    qint64 rate = 0;
    qint64 samples = 0;
    int bits = 16;  // of the FLAC's samples
    int channels = 2;
    int disc = 0;  // of an album of several discs, else 0
    QList<ImageTrack> tracks;
};

// What was found for one FLAC: no sheet (sheet empty), a usable one, or one that is not used
// and why.
struct Lookup {
    QString sheet;  // the .cue's path, or the FLAC's path with what in it held the sheet
    std::optional<Image> image;
    QString problem;
    QStringList notes;  // lines of a used sheet that were skipped, and why
};

// The FLAC's sheet: a .cue beside it with the same stem in any letter case, or one whose FILE
// names this FLAC or a file of its stem (the .wav or .ape the ripper wrote); else the FLAC's
// CUESHEET comment; else its CUESHEET block (titles from its CUE_TRACKnn_TITLE fields). Names
// need not be UTF-8; a link (as the tools are handed a source of such a name) is looked behind.
// A sheet of one FILE per track gives that FLAC's track its tags. An APE, WavPack, TTA, TAK or
// WAV image has the sheets beside it looked at the same way, then the "Cuesheet" item of its
// APEv2 tag. `other` reads a sheet that is neither UTF-8 nor UTF-16/32.
Lookup findImage(const QString& flacPath, const Decoder& other);

// What the FLAC itself says, for the tracks the sheet leaves open.
struct FlacFacts {
    QString title;       // its TITLE: a one-track image's title when the sheet has none
    QString discNumber;  // DISCNUMBER, "2" or "2/3"
    QString totalDiscs;  // DISCTOTAL or TOTALDISCS
    QString pathName;    // its folder's and file's names: "CD2", "Disc 2"
};

// A sheet's tracks laid on an audio file of `rate` and `samples`, tagged: the tracks of the FILE
// named by one of `flacNames` (or its stem), or all of them when the sheet names a single file.
std::optional<Image> imageFromSheet(const Sheet& sheet, const QStringList& flacNames, qint64 rate,
                                    qint64 samples, QString* why, const FlacFacts& facts = {});
std::optional<Image> imageFromSheet(const Sheet& sheet, const QString& flacName, qint64 rate,
                                    qint64 samples, QString* why);

// The disc of an album of several: REM DISCNUMBER, the FLAC's DISCNUMBER, or "CD2", "Disc 2",
// "disk2" in the album title or the FLAC's names; 0 when nothing says there is more than one.
int discOf(const Sheet& sheet, const FlacFacts& facts);

// "Album (CD2)", "Album Disc 2", "Album [disk 1]" -> "Album"; a title that is only a mark stays.
QString withoutDiscMark(const QString& title);

// A name that is only a disc's mark: "CD2", "Disc 1", "[disk 3]".
bool isDiscName(const QString& name);

}  // namespace lumivox::cue
