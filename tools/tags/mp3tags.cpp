#include "tools/tags/mp3tags.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "tooljob/mp3track.h"
#include "tools/argtranslate.h"
#include "tools/covers/coverfit.h"
#include "tools/inputpaths.h"
#include "tools/mp3/mp3length.h"
#include "tools/mp3/span.h"
#include "tools/partialfile.h"
#include "tools/runtool.h"
#include "tools/tags/id3tag.h"

namespace lumivox::tools {
namespace {

bool readAt(int fd, std::string& into, std::size_t size, off_t at) {
    into.assign(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, into.data() + done, size - done, at + static_cast<off_t>(done));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The size of an ID3v2 tag that starts the file (header, footer and all), else 0.
std::size_t id3v2Size(const std::string& head) {
    if (head.size() < 10 || head.compare(0, 3, "ID3") != 0) {
        return 0;
    }
    std::size_t size = 10;
    for (int i = 6; i < 10; ++i) {
        size += static_cast<std::size_t>(head[static_cast<std::size_t>(i)] & 0x7f) << (7 * (9 - i));
    }
    return size + ((head[5] & 0x10) ? 10 : 0);
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

// The -ar value of the command, or 0.
int outputRate(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-ar") {
            return static_cast<int>(nearestMp3SampleRate(std::atol(args[i + 1].c_str())));
        }
    }
    return 0;
}

}  // namespace

bool retagMp3(const std::string& path, const std::string& id3v2, const std::string& id3v1,
              std::optional<std::uint64_t> samples) {
    const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (in < 0 || fstat(in, &st) != 0) {
        if (in >= 0) {
            close(in);
        }
        return false;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    std::string head;
    std::size_t audioStart = 0;
    std::size_t audioEnd = size;
    std::string tail;
    bool ok = readAt(in, head, std::min<std::size_t>(size, 10), 0);
    if (ok) {
        audioStart = id3v2Size(head);
        if (size >= audioStart + 128 && readAt(in, tail, 128, static_cast<off_t>(size - 128)) &&
            tail.compare(0, 3, "TAG") == 0) {
            audioEnd = size - 128;
        }
    }
    // The first frame: an Info frame holds the length.
    std::string first;
    const std::size_t firstSize =
        std::min<std::size_t>(4096, audioEnd > audioStart ? audioEnd - audioStart : 0);
    ok =
        ok && audioEnd > audioStart && readAt(in, first, firstSize, static_cast<off_t>(audioStart));
    if (ok && samples) {
        patchDecodedLength(first, *samples);
    }
    ok = ok && replaceFile(path, [&](int out) {
             if (!writeAll(out, id3v2.data(), id3v2.size()) ||
                 !writeAll(out, first.data(), first.size())) {
                 return false;
             }
             char buffer[1 << 16];
             for (std::size_t at = audioStart + first.size(); at < audioEnd;) {
                 const ssize_t n = pread(in, buffer, std::min(sizeof buffer, audioEnd - at),
                                         static_cast<off_t>(at));
                 if (n <= 0 || !writeAll(out, buffer, static_cast<std::size_t>(n))) {
                     return false;
                 }
                 at += static_cast<std::size_t>(n);
             }
             return writeAll(out, id3v1.data(), id3v1.size());
         });
    close(in);
    return ok;
}

namespace {

// Writes the tags of `args`' input into its .mp3 output; with `keepAudio` the MP3's frames stay
// byte for byte, its Info frame too. -1: nothing to tag (not one input and one MP3, or an input
// TagLib cannot read); else whether the tag was written.
int tagOutput(const std::vector<std::string>& args, bool keepAudio) {
    const std::vector<std::string> inputs = ffmpegInputPaths(args);
    const std::string output = ffmpegOutputPath(args);
    if (inputs.size() != 1 || !endsWithMp3(output)) {
        return -1;
    }
    // A stop while the file is rewritten leaves it as it was.
    catchEndingSignals();
    SourceTags tags = readSourceTags(inputs.front());
    // What ffmpeg carried over from an input TagLib cannot read is all there is: keep it.
    if (!tags.read) {
        return -1;
    }
    applyMetadata(tags, tooljob::parseMetadata(args));
    // Pictures fitted for the device when the batch asks for it (LUMIVOX_COVER_MAX).
    const int coverMax = coverMaxFromEnvironment();
    for (CoverPicture& picture : tags.pictures) {
        picture = fitCover(std::move(picture), coverMax);
    }
    const Id3Version version = id3VersionFromEnvironment();
    const std::string encoder = std::string("LAME") + get_lame_short_version();
    std::optional<std::uint64_t> samples;
    if (tags.samples > 0 && !keepAudio) {
        // A track of an album image is its span of the input.
        std::uint64_t length = tags.samples;
        if (const auto span = parseAtrim(args)) {
            length = std::min(span->end, tags.samples) - std::min(span->start, tags.samples);
        }
        const int rate = outputRate(args);
        samples = resampledLength(length, tags.sampleRate, rate > 0 ? rate : tags.sampleRate);
    }
    return retagMp3(output, renderId3v2(tags, version, encoder),
                    version == Id3Version::V23 ? renderId3v1(tags) : std::string(), samples)
               ? 1
               : 0;
}

}  // namespace

int withMp3Tags(int status, const std::vector<std::string>& args) {
    if (status != 0) {
        return status;
    }
    tagOutput(args, false);
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    return status;
}

int retagOnly(const std::vector<std::string>& args) {
    if (tagOutput(args, true) != 1) {
        std::fprintf(stderr, "%s: the tag could not be rewritten\n",
                     ffmpegOutputPath(args).c_str());
        return 1;
    }
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    return 0;
}

}  // namespace lumivox::tools
