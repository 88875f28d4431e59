#include "tools/mp3/mp3file.h"

#include "tools/partialfile.h"

namespace lumivox::tools {

bool writeMp3File(const std::string& path, const std::string& info, const std::string& frames) {
    return replaceFile(path, [&](int fd) {
        return writeAll(fd, info.data(), info.size()) && writeAll(fd, frames.data(), frames.size());
    });
}

}  // namespace lumivox::tools
