#include "tools/decodedwav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "tools/workfolder.h"

namespace lumivox::tools {
namespace {

constexpr long kHeaderBytes = 44;

std::string notePath() {
    const std::string folder = programWorkFolder();
    return folder.empty() ? std::string() : folder + "/decoded-flac";
}

// "2049 1835 14708901 1765241234 123456789": device, inode, size, modification time.
std::string identity(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    std::ostringstream out;
    out << st.st_dev << ' ' << st.st_ino << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << ' '
        << st.st_mtim.tv_nsec;
    return out.str();
}

// Through a partial file renamed into place: a reader never sees half a note.
void writeWhole(const std::string& note, const std::string& text) {
    const std::string partial = note + ".partial";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << text;
        if (!out.flush()) {
            unlink(partial.c_str());
            return;
        }
    }
    if (std::rename(partial.c_str(), note.c_str()) != 0) {
        unlink(partial.c_str());
    }
}

}  // namespace

void forgetDecodedWav() {
    if (const std::string note = notePath(); !note.empty()) {
        unlink(note.c_str());
    }
}

// The note, written whole or not at all:
//   <flac identity>
//   <wav identity>
//   /home/user/.local/share/lumivox/tmp/tmp.wav
void noteDecodedWav(const std::string& flac, const std::string& wav) {
    const std::string note = notePath();
    const std::string flacId = identity(flac), wavId = identity(wav);
    char* const absolute = realpath(wav.c_str(), nullptr);  // coder.exe may run elsewhere
    const std::string wavPath = absolute ? absolute : "";
    std::free(absolute);
    if (note.empty() || flacId.empty() || wavId.empty() || wavPath.empty() ||
        wavPath.find('\n') != std::string::npos) {
        return;
    }
    writeWhole(note, flacId + '\n' + wavId + '\n' + wavPath + '\n');
}

std::string decodedWavOf(const std::string& flac) {
    const std::string note = notePath();
    std::ifstream in(note.empty() ? "/nonexistent" : note);
    std::string flacId, wavId, wav;
    if (!std::getline(in, flacId) || !std::getline(in, wavId) || !std::getline(in, wav) ||
        flacId != identity(flac) || wavId != identity(wav) || flacId.empty()) {
        return {};
    }
    return wav;
}

// The note, as above with a reason in place of the WAV:
//   <source identity>
//   refused
//   decoded 15.00 s of 30.00 s: the file is cut short
void noteRefusedSource(const std::string& source, const std::string& reason) {
    const std::string note = notePath();
    const std::string sourceId = identity(source);
    if (note.empty() || sourceId.empty()) {
        return;
    }
    writeWhole(note, sourceId + "\nrefused\n" + reason.substr(0, reason.find('\n')) + '\n');
}

std::string refusalOf(const std::string& source) {
    const std::string note = notePath();
    std::ifstream in(note.empty() ? "/nonexistent" : note);
    std::string sourceId, mark, reason;
    if (!std::getline(in, sourceId) || !std::getline(in, mark) || !std::getline(in, reason) ||
        mark != "refused" || sourceId.empty() || sourceId != identity(source)) {
        return {};
    }
    return reason.empty() ? std::string("refused") : reason;
}

WavSamples::WavSamples(const std::string& path, int channels) : channels_(channels) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && fstat(fd_, &st) == 0 && st.st_size >= kHeaderBytes) {
        frames_ = (st.st_size - kHeaderBytes) / (2 * channels_);
    }
}

WavSamples::~WavSamples() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

long WavSamples::read(long long from, long count, std::int32_t* left, std::int32_t* right) const {
    const long n = static_cast<long>(std::max(0LL, std::min<long long>(count, frames_ - from)));
    std::vector<unsigned char> bytes(static_cast<std::size_t>(n * channels_ * 2));
    std::size_t got = 0;
    const off_t at = kHeaderBytes + static_cast<off_t>(from) * channels_ * 2;
    while (got < bytes.size()) {
        const ssize_t r =
            pread(fd_, bytes.data() + got, bytes.size() - got, at + static_cast<off_t>(got));
        if (r <= 0) {
            return -1;
        }
        got += static_cast<std::size_t>(r);
    }
    const unsigned char* p = bytes.data();
    for (long i = 0; i < n; ++i) {
        left[i] = static_cast<std::int16_t>(p[0] | p[1] << 8);
        right[i] = static_cast<std::int16_t>(p[2 * (channels_ - 1)] | p[2 * channels_ - 1] << 8);
        p += 2 * channels_;
    }
    return n;
}

}  // namespace lumivox::tools
