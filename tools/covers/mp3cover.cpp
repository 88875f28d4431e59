#include "tools/covers/mp3cover.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "tools/covers/coverfile.h"
#include "tools/covers/flacpicture.h"

namespace lumivox::tools {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool endsWithMp3(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".mp3";
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

// Writes `head` and then the file's bytes from `from` on under a temporary name beside it, and
// renames that over the file. Ending signals wait meanwhile, so no half-made copy is left.
bool replaceHead(const std::string& path, const TagLib::ByteVector& head, long long from) {
    sigset_t ending, before;
    sigemptyset(&ending);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&ending, sig);
    }
    sigprocmask(SIG_BLOCK, &ending, &before);

    bool ok = false;
    std::string temp = path + ".XXXXXX";
    const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    const int out = in >= 0 && fstat(in, &st) == 0 ? mkstemp(temp.data()) : -1;
    if (out >= 0) {
        ok = fchmod(out, st.st_mode & 07777) == 0 && writeAll(out, head.data(), head.size()) &&
             lseek(in, from, SEEK_SET) == from;
        char buffer[1 << 16];
        ssize_t n = 0;
        while (ok && (n = read(in, buffer, sizeof buffer)) > 0) {
            ok = writeAll(out, buffer, static_cast<std::size_t>(n));
        }
        ok = close(out) == 0 && ok && n == 0;
        ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) {
            unlink(temp.c_str());
        }
    }
    if (in >= 0) {
        close(in);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return ok;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

}  // namespace

std::optional<CoverPicture> coverFor(const std::string& flacPath) {
    if (auto picture = flacCoverPicture(flacPath)) {
        return picture;
    }
    if (const auto file = findCoverFile(folderOf(flacPath))) {
        return readCoverFile(*file);
    }
    return std::nullopt;
}

bool addPictureToMp3(const std::string& mp3Path, const CoverPicture& picture) {
    long long audioStart = 0;
    TagLib::ByteVector rendered;
    {
        TagLib::FileStream stream(mp3Path.c_str(), true);
        if (!stream.isOpen()) {
            return false;
        }
        const bool tagFirst = stream.readBlock(3) == TagLib::ByteVector("ID3", 3);
        TagLib::MPEG::File mp3(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        // A tag elsewhere than at the start would be left beside a second one: leave such a file.
        if (!mp3.isValid() || tagFirst != mp3.hasID3v2Tag()) {
            return false;
        }
        TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag(true);
        if (!tag->frameListMap()["APIC"].isEmpty()) {
            return false;
        }
        const bool v3 = tagFirst && tag->header()->majorVersion() == 3;
        audioStart = tagFirst ? tag->header()->completeTagSize() : 0;

        auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
        frame->setMimeType(TagLib::String(picture.mimeType, TagLib::String::Latin1));
        frame->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(picture.type));
        frame->setDescription(TagLib::String(picture.description, TagLib::String::UTF8));
        // Plain ASCII stays Latin-1 for the oldest players; TagLib spells UTF-8 as UTF-16 in 2.3.
        frame->setTextEncoding(isAscii(picture.description) ? TagLib::String::Latin1
                                                            : TagLib::String::UTF8);
        frame->setPicture(TagLib::ByteVector(picture.data.data(),
                                             static_cast<unsigned int>(picture.data.size())));
        tag->addFrame(frame.release());
        rendered = tag->render(v3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    }
    return !rendered.isEmpty() && replaceHead(mp3Path, rendered, audioStart);
}

bool addCoverToMp3(const std::string& flacPath, const std::string& mp3Path) {
    const auto picture = coverFor(flacPath);
    return picture && addPictureToMp3(mp3Path, *picture);
}

int withMp3Cover(int status, const std::string& input, const std::string& output) {
    if (status == 0 && endsWithMp3(output)) {
        addCoverToMp3(input, output);
    }
    return status;
}

}  // namespace lumivox::tools
