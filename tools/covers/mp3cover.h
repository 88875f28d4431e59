#pragma once

#include <optional>
#include <string>

#include "tools/covers/cover.h"

namespace lumivox::tools {

// The picture for the MP3 made from the FLAC: its own (flacCoverPicture), else its folder's
// cover file (findCoverFile) as the front cover.
std::optional<CoverPicture> coverFor(const std::string& flacPath);

// Adds the picture to the MP3's ID3v2 tag as an APIC frame, in the tag's own version (2.4 when
// it has none), keeping its other frames. The MP3 is replaced whole, through a copy beside it,
// or left as it was. False when it was left as it was (also when it holds a picture already).
bool addPictureToMp3(const std::string& mp3Path, const CoverPicture& picture);

// Gives the MP3 made from the FLAC its cover, when there is one; never fails the file. Returns
// whether a picture went in.
bool addCoverToMp3(const std::string& flacPath, const std::string& mp3Path);

// coder.exe's exit status, after giving a successful .mp3 output its cover.
int withMp3Cover(int status, const std::string& input, const std::string& output);

}  // namespace lumivox::tools
