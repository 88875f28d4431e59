#include "tools/mp3/mp3file.h"

#include <lame/lame.h>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/tpropertymap.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tools/runtool.h"

namespace lumivox::tools {
namespace {

// The input's tags as ID3v2.4, as ffmpeg carries them over.
std::string id3Tag(const std::string& input) {
    TagLib::ID3v2::Tag tag;
    TagLib::FileRef ref(input.c_str(), false);
    TagLib::PropertyMap properties;
    if (!ref.isNull() && ref.file()) {
        properties = ref.file()->properties();
    }
    properties.replace("ENCODING", TagLib::StringList(TagLib::String(std::string("LAME") +
                                                                     get_lame_short_version())));
    tag.setProperties(properties);
    const TagLib::ByteVector bytes = tag.render();
    return std::string(bytes.data(), bytes.size());
}

// Writes the file under a temporary name beside it, then renames it: a run that fails or is
// ended leaves nothing.
bool writeAtomically(const std::string& path, const std::string& a, const std::string& b,
                     const std::string& c) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0;
    for (const std::string* part : {&a, &b, &c}) {
        std::size_t at = 0;
        while (ok && at < part->size()) {
            const ssize_t n = write(fd, part->data() + at, part->size() - at);
            ok = n > 0;
            at += ok ? static_cast<std::size_t>(n) : 0;
        }
    }
    ok = close(fd) == 0 && ok && endingSignalSeen() == 0;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

}  // namespace

bool writeMp3File(const std::string& path, const std::string& input, const std::string& info,
                  const std::string& frames) {
    return writeAtomically(path, id3Tag(input), info, frames);
}

}  // namespace lumivox::tools
