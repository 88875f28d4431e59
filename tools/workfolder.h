#pragma once

#include <string>

namespace lumivox::tools {

// Folder MEncoder runs in, so that its divx2pass.log lands in the program's private T/tmp:
// $LUMIVOX_TMP when set, else $XDG_CACHE_HOME/lumivox/tmp (or ~/.cache/lumivox/tmp), else
// $TMPDIR/lumivox-UID/tmp, the first of them that is an existing folder of our own without a
// space. Empty (stay in the current folder) when none is.
std::string mencoderWorkFolder();

}  // namespace lumivox::tools
