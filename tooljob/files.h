#pragma once

#include <string>
#include <string_view>

// Rules about the collection's files that the batch and the adapters both apply. Plain C++.
namespace lumivox::tooljob {

// A folder's cover file: cover, folder or front, each .jpg, .jpeg or .png, in any letter case.
// Its place in that order of preference (0 is best), or -1 when the name is no cover file's.
int coverNameRank(std::string_view name);

// Only a regular file (or a link to one) is opened: a pipe would wait for a writer that never
// comes, and a device is no recording.
bool isRegularFile(const std::string& path);

}  // namespace lumivox::tooljob
