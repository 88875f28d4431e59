#pragma once

#include <functional>
#include <string>

namespace lumivox::tools {

// Where a file is written before it is renamed over `output`: a hidden name beside it that only
// this program uses ("<folder>/.lumivox-<hash of the name>.partial"), so a stopped run's leftover
// can be removed by its exact name and a user's own file is never taken for one. Its length is
// fixed, so it fits wherever the output's name fits.
std::string partialPath(const std::string& output);

// Writes `output` whole through its partial file: `fill` writes the content to the descriptor
// and says whether it succeeded. The new file keeps the old one's permissions (else 0666 less the
// umask). On failure, or when SIGTERM or SIGINT reached the adapter meanwhile, nothing changes.
bool replaceFile(const std::string& output, const std::function<bool(int fd)>& fill);

// write(2) until all is written; false on an error.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace lumivox::tools
