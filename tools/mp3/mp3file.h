#pragma once

#include <string>

namespace lumivox::tools {

// Writes the MP3 as the encoder leaves it, the Info frame and the frames, through its partial
// file: a run that fails or is ended leaves nothing. The tags come after, as on the plain path.
bool writeMp3File(const std::string& path, const std::string& info, const std::string& frames);

}  // namespace lumivox::tools
