#include "tools/writeerror.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>

namespace lumivox::tools {
namespace {

// ENOSPC, EDQUOT and EFBIG as strerror gives them.
constexpr std::array<std::string_view, 3> kWriteErrors = {"No space left on device",
                                                          "Disk quota exceeded", "File too large"};
// Enough for any tool's error line; longer lines only keep their end.
constexpr std::size_t kMaxLine = 512;

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

void WriteErrorWatch::feed(std::string_view piece) {
    for (const char c : piece) {
        if (c == '\n' || c == '\r') {
            endLine();
        } else {
            line_ += c;
            if (line_.size() > 2 * kMaxLine) {
                line_.erase(0, line_.size() - kMaxLine);
            }
        }
    }
}

std::string WriteErrorWatch::error() {
    endLine();
    return error_;
}

void WriteErrorWatch::endLine() {
    while (!line_.empty() && (line_.back() == ' ' || line_.back() == '.')) {
        line_.pop_back();
    }
    // Tags and stream details are indented; the tools' own error lines are not.
    const bool indented = !line_.empty() && (line_.front() == ' ' || line_.front() == '\t');
    for (const std::string_view text : kWriteErrors) {
        if (error_.empty() && !indented && endsWith(line_, text) &&
            endsWith(std::string_view(line_).substr(0, line_.size() - text.size()), ": ")) {
            error_ = text;
        }
    }
    line_.clear();
}

std::string noRoomLeftFor(const std::string& path) {
    struct statvfs fs {};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (path.empty() || (statvfs(path.c_str(), &fs) != 0 && statvfs(folder.c_str(), &fs) != 0) ||
        fs.f_blocks == 0) {
        return {};
    }
    // Root may write into the blocks kept back for it; anyone else may not.
    const auto room = geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
    return room == 0 ? std::string(kWriteErrors[0]) : std::string();
}

}  // namespace lumivox::tools
