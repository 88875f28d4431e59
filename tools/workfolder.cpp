#include "tools/workfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace lumivox::tools {

std::string programWorkFolder() {
    const char* value = std::getenv("LUMIVOX_TMP");
    const std::string folder = value ? value : "";
    // Only a real folder of our own: a symlink or someone else's folder could redirect the files.
    // The program never uses a folder with a space in it, so neither do we.
    struct stat st {};
    const bool own = !folder.empty() && folder.find(' ') == std::string::npos &&
                     lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
                     st.st_uid == getuid();
    return own ? folder : std::string();
}

}  // namespace lumivox::tools
