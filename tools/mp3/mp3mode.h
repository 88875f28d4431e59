#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumivox::tools {

// LUMIVOX_MP3_MODE: "V0" or "V2" asks for LAME's VBR at that quality; "CBR", unset or anything
// else keeps the constant bitrate of the command.
std::optional<int> vbrQualityFromEnvironment();

// An MP3 encode with "-q:a N" put before its output, unless it gives one already:
//   -i in.flac -y -vn -ar 44100 -ab 128k -ac 2 out.mp3
// becomes
//   -i in.flac -y -vn -ar 44100 -ab 128k -ac 2 -q:a 2 out.mp3
// (ffmpeg then ignores the bitrate). Anything but an encode to .mp3 is left as it is.
std::vector<std::string> withVbrQuality(const std::vector<std::string>& args,
                                        std::optional<int> quality);

}  // namespace lumivox::tools
