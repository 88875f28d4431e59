#pragma once

#include <string>

namespace lumivox::tools {

// Folder MEncoder runs in, so that its divx2pass.log lands in the program's private folder: the
// one the program names in $LUMIVOX_TMP, when it is an existing folder of our own (not a
// symlink) without a space. Empty (stay in the current folder) otherwise.
std::string mencoderWorkFolder();

}  // namespace lumivox::tools
