#include "tools/workfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace lumivox::tools {
namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Only a real folder of our own: a symlink or someone else's folder could redirect the files.
// The program never uses a T with a space in it, so neither do we.
bool isOwnFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && path.find(' ') == std::string::npos && lstat(path.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

}  // namespace

std::string mencoderWorkFolder() {
    std::vector<std::string> candidates;
    if (const std::string own = env("LUMIVOX_TMP"); !own.empty()) {
        candidates.push_back(own);
    }
    const std::string xdg = env("XDG_CACHE_HOME");
    if (!xdg.empty() && xdg.front() == '/') {
        candidates.push_back(xdg + "/lumivox/tmp");
    } else if (const std::string home = env("HOME"); !home.empty()) {
        candidates.push_back(home + "/.cache/lumivox/tmp");
    }
    std::string tmp = env("TMPDIR");
    if (tmp.empty()) {
        tmp = "/tmp";
    }
    candidates.push_back(tmp + "/lumivox-" + std::to_string(getuid()) + "/tmp");
    for (const std::string& folder : candidates) {
        if (isOwnFolder(folder)) {
            return folder;
        }
    }
    return {};
}

}  // namespace lumivox::tools
