#pragma once

#include <QList>
#include <QString>

#include "engine/commandbuilder.h"
#include "engine/cueimage.h"

namespace lumivox::cue {

// A name with what a file name cannot hold (on this system or on the FAT stick it may be copied
// to) replaced by "_", and no leading or trailing blanks and dots: "AC/DC: Live?" -> "AC_DC_
// Live_".
QString fileNameSafe(const QString& text);

// The image's folder in outFolder: "PERFORMER - TITLE" of the sheet, else the FLAC's stem, fitted
// to the name limit, ending in the separator.
QString imageFolder(const QString& outFolder, const Image& image, const QString& flacPath);

// "<folder>NN - Title.mp3", or "NN - Title (2).mp3" and up when taken: nothing is written over.
QString uniqueTrackPath(const QString& folder, const ImageTrack& track);

// The MP3 command of one track: the image's encode with the track's span and tags before the
// output.
//   <app>/data/coder.exe -i "/m/image.flac" -y -vn -ar 44100 -ab 128k -ac 2
//     -af atrim=start_sample=0:end_sample=10407600 "-metadata" "TITLE=Song" ... "/o/A - B/01 -
//     Song.mp3"
QString trackEncodeCommand(const CommandContext& c, const ConversionSettings& s,
                           const QString& inputPath, const QString& outputFile,
                           const ImageTrack& track);

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
