#include "tools/covers/coverfile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>

#include "tooljob/files.h"

namespace lumivox::tools {
namespace {}  // namespace

std::vector<std::string> findCoverFiles(const std::string& folder) {
    const std::string base = folder.empty() ? "." : folder;
    std::vector<std::pair<int, std::string>> found;
    if (DIR* dir = opendir(base.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            const int r = tooljob::coverNameRank(name);
            const std::string path = base + (base.back() == '/' ? "" : "/") + name;
            if (r >= 0 && tooljob::isRegularFile(path)) {
                found.emplace_back(r, path);
            }
        }
        closedir(dir);
    }
    // Names differing only in case keep a fixed order, whatever order the folder lists them in.
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [r, path] : found) {
        paths.push_back(std::move(path));
    }
    return paths;
}

std::optional<std::string> findCoverFile(const std::string& folder) {
    std::vector<std::string> paths = findCoverFiles(folder);
    if (paths.empty()) {
        return std::nullopt;
    }
    return std::move(paths.front());
}

std::string imageMimeType(std::string_view data) {
    if (data.substr(0, 3) == "\xFF\xD8\xFF") {
        return "image/jpeg";
    }
    if (data.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) {
        return "image/png";
    }
    return {};
}

std::optional<CoverPicture> readCoverFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > kMostCoverBytes) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    CoverPicture picture;
    picture.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    // The content, not the name, says what it is: a PNG saved as cover.jpg is common.
    picture.mimeType = imageMimeType(picture.data);
    if (in.bad() || picture.data.size() > kMostCoverBytes || picture.mimeType.empty()) {
        return std::nullopt;
    }
    return picture;
}

}  // namespace lumivox::tools
