#pragma once

#include <QList>
#include <QString>

#include "collection/cueimage.h"

namespace lumivox::cue {

// The image's folder in outFolder: "PERFORMER - TITLE" of the sheet, else the FLAC's stem, fitted
// to the name limit, ending in the separator.
// fatRoom > 0: names a FAT32 card takes, the folder's at most that many UTF-16 units less room
// for its tracks' names.
QString imageFolder(const QString& outFolder, const Image& image, const QString& flacPath,
                    qsizetype fatRoom = 0);

// "<folder>NN - Title.mp3", or "NN - Title (2).mp3" and up when taken: nothing is written over.
// fatRoom > 0: a name a FAT32 card takes, at most that many UTF-16 units.
QString uniqueTrackPath(const QString& folder, const ImageTrack& track, qsizetype fatRoom = 0);

// Reads sheets in the code page named as the options show it ("GB18030", ...); empty: guessed.
Decoder sheetDecoder(const QString& codePage);

// A sheet that was found but not used, and why.
struct SheetProblem {
    QString sheet;
    QString why;
};
// The end-of-batch text naming them.
QString sheetReport(const QList<SheetProblem>& problems);

}  // namespace lumivox::cue
