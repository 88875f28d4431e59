#pragma once

#include <string>

namespace lumivox::tools {

// Writes the MP3 as ffmpeg would: the input's tags as ID3v2.4, the Info frame, the frames. It goes
// under a temporary name beside the output, then is renamed: a run that fails or is ended leaves
// nothing.
bool writeMp3File(const std::string& path, const std::string& input, const std::string& info,
                  const std::string& frames);

}  // namespace lumivox::tools
