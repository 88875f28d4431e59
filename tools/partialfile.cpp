#include "tools/partialfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "tools/runtool.h"

namespace lumivox::tools {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool replaceFile(const std::string& output, const std::function<bool(int fd)>& fill) {
    const std::string temp = partialPath(output);
    struct stat st {};
    mode_t mode = 0;
    if (stat(output.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    // A leftover of a killed run goes; a link planted there is not followed.
    unlink(temp.c_str());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = fchmod(fd, mode) == 0 && fill(fd);
    ok = close(fd) == 0 && ok && endingSignalSeen() == 0;
    ok = ok && std::rename(temp.c_str(), output.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

}  // namespace lumivox::tools
