#include "tools/partialfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "tools/runtool.h"

namespace lumivox::tools {

std::string partialPath(const std::string& output) {
    const auto slash = output.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : output.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a: the same name on every machine
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return folder + ".lumivox-" + hex + ".partial";
}

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
