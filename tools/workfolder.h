#pragma once

#include <string>

namespace lumivox::tools {

// The program's private folder, the one it names in $LUMIVOX_TMP, when it is an existing folder
// of our own (not a symlink) without a space; empty otherwise. MEncoder runs in it, so that its
// divx2pass.log lands there, and sox.exe leaves its note on the WAV it decoded there.
std::string programWorkFolder();

}  // namespace lumivox::tools
