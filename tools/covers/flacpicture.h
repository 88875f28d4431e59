#pragma once

#include <optional>
#include <string>

#include "tools/covers/cover.h"

namespace lumivox::tools {

// The FLAC's own picture for the MP3: the front cover, else the first picture. Pictures that are
// damaged, too large, only a link, or a JPEG or PNG in name only do not count.
std::optional<CoverPicture> flacCoverPicture(const std::string& flacPath);

}  // namespace lumivox::tools
