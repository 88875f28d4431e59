#pragma once

#include <string>
#include <vector>

#include "tools/covers/cover.h"

namespace lumivox::tools {

// The FLAC's pictures for the MP3, in the file's order with the first front cover moved first.
// Pictures that are damaged, too large, only a link, or a JPEG or PNG in name only are left out.
std::vector<CoverPicture> flacPictures(const std::string& flacPath);

}  // namespace lumivox::tools
