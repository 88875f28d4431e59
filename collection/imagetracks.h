#pragma once

#include <QList>
#include <QString>

#include "collection/cueimage.h"

namespace lumivox::cue {

// The image's folder in outFolder: "PERFORMER - TITLE" of the sheet, else the FLAC's stem, fitted
// to the name limit, ending in the separator.
QString imageFolder(const QString& outFolder, const Image& image, const QString& flacPath);

// "<folder>NN - Title.mp3", or "NN - Title (2).mp3" and up when taken: nothing is written over.
QString uniqueTrackPath(const QString& folder, const ImageTrack& track);

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
