#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/covers/cover.h"

namespace lumivox::tools {

// The cover files of a folder, best first: cover, folder, front; each .jpg, .jpeg, .png; the
// letter case of the name does not matter. Only regular files (or links to them) count.
std::vector<std::string> findCoverFiles(const std::string& folder);
// The best of them, if any.
std::optional<std::string> findCoverFile(const std::string& folder);

// "image/jpeg" or "image/png" by the picture's first bytes, else empty.
std::string imageMimeType(std::string_view data);

// The file as a front cover; nothing when it is too large, unreadable or not a JPEG or PNG.
std::optional<CoverPicture> readCoverFile(const std::string& path);

}  // namespace lumivox::tools
