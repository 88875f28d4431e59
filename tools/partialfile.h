#pragma once

#include <functional>
#include <string>

#include "tooljob/mp3track.h"

namespace lumivox::tools {

using tooljob::partialPath;

// Writes `output` whole through its partial file: `fill` writes the content to the descriptor
// and says whether it succeeded. The new file keeps the old one's permissions (else 0666 less the
// umask). On failure, or when SIGTERM or SIGINT reached the adapter meanwhile, nothing changes.
bool replaceFile(const std::string& output, const std::function<bool(int fd)>& fill);

// write(2) until all is written; false on an error.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace lumivox::tools
