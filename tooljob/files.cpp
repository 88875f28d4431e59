#include "tooljob/files.h"

#include <sys/stat.h>

#include <array>

namespace lumivox::tooljob {

namespace {
constexpr std::array<std::string_view, 3> kStems = {"cover", "folder", "front"};
constexpr std::array<std::string_view, 3> kExtensions = {".jpg", ".jpeg", ".png"};

bool equalNoCase(std::string_view a, std::string_view lowerB) {
    if (a.size() != lowerB.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != lowerB[i]) {
            return false;
        }
    }
    return true;
}
}  // namespace

int coverNameRank(std::string_view name) {
    for (std::size_t s = 0; s < kStems.size(); ++s) {
        for (std::size_t e = 0; e < kExtensions.size(); ++e) {
            if (name.size() == kStems[s].size() + kExtensions[e].size() &&
                equalNoCase(name.substr(0, kStems[s].size()), kStems[s]) &&
                equalNoCase(name.substr(kStems[s].size()), kExtensions[e])) {
                return static_cast<int>(s * kExtensions.size() + e);
            }
        }
    }
    return -1;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace lumivox::tooljob
