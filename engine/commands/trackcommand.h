#pragma once

#include <QString>

#include "collection/cueimage.h"
#include "engine/commands/commandbuilder.h"

namespace lumivox {

// The MP3 command of one track: the image's encode with the track's span and tags before the
// output.
//   <app>/data/coder.exe -i "/m/image.flac" -y -vn -ar 44100 -ab 128k -ac 2
//     -af atrim=start_sample=0:end_sample=10407600 "-metadata" "TITLE=Song" ... "/o/A - B/01 -
//     Song.mp3"
QString trackEncodeCommand(const CommandContext& c, const ConversionSettings& s,
                           const QString& inputPath, const QString& outputFile,
                           const cue::ImageTrack& track);

}  // namespace lumivox
