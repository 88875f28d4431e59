#include "tools/mp3/parallelmp3.h"

#include <lame/lame.h>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/tpropertymap.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/argtranslate.h"
#include "tools/flacreader.h"
#include "tools/mp3/mp3frames.h"
#include "tools/mp3/mp3pieces.h"
#include "tools/pcmstream.h"
#include "tools/runtool.h"
#include "tools/wavprobe.h"

namespace lumivox::tools {
namespace {

// Shorter inputs go to ffmpeg: there is little to win and each piece needs some length.
constexpr long kShortestSeconds = 20;
constexpr long kShortestPieceSeconds = 5;
// Decoded audio kept in memory when ffmpeg decodes: about three hours of 48 kHz stereo.
constexpr long long kMostPcmBytes = 2LL << 30;
// Room beyond the length the FLAC header gives, for what resampling adds.
constexpr long kSpareSeconds = 2;

bool parsePositive(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value > 0;
}

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// "size=    1408kB time=90.12 bitrate= 128.0kbits/s speed=41.5x"
std::string statusLine(std::size_t bytes, double seconds, double speed, char end) {
    char line[160];
    std::snprintf(line, sizeof line, "size=%8zukB time=%.2f bitrate=%6.1fkbits/s speed=%.3gx%c",
                  bytes / 1024, seconds, seconds > 0 ? bytes * 8 / seconds / 1000 : 0.0, speed,
                  end);
    return line;
}

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

// What ffmpeg prints of a FLAC input:
//   Input #0, flac, from 'song.flac':
//     Duration: 00:03:00.00, start: 0.000000, bitrate: 99 kb/s
//     Stream #0:0: Audio: flac, 44100 Hz, stereo, s16
std::string flacReport(const FlacReader& flac, const std::string& path) {
    struct stat st {};
    const auto size = stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const auto frames = static_cast<std::uint64_t>(flac.frames());
    const auto rate = static_cast<std::uint32_t>(flac.sampleRate());
    const int bits = flac.bits();
    std::string format = bits > 16 ? "s32" : "s16";
    if (bits != 16 && bits != 32) {
        format += " (" + std::to_string(bits) + " bit)";
    }
    return "Input #0, flac, from '" + path + "':\n  Duration: " + ffmpegDuration(frames, rate) +
           ", start: 0.000000, bitrate: " + std::to_string(ffmpegBitrateKbps(size, frames, rate)) +
           " kb/s\n  Stream #0:0: Audio: flac, " + std::to_string(rate) + " Hz, " +
           (flac.channels() == 1 ? "mono" : "stereo") + ", " + format + "\n";
}

// ffmpeg decoding the whole input for all pieces, resampled and mixed as the plain encode would
// have it; its report on the input is printed once it has one.
class FfmpegDecode {
  public:
    FfmpegDecode(const Mp3Job& job, long capacity, bool wide, const char* adapterName)
        : pcm_(capacity, job.channels, wide ? 4 : 2), wide_(wide) {
        thread_ = std::thread([this, job, adapterName] {
            ToolRun decode;
            decode.program = "ffmpeg";
            decode.args = {"-hide_banner", "-nostdin",
                           "-nostats",     "-i",
                           job.input,      "-vn",
                           "-ar",          std::to_string(job.sampleRate),
                           "-ac",          std::to_string(job.channels),
                           "-f",           wide_ ? "s32le" : "s16le",
                           "pipe:1"};
            const bool ok = captureTool(
                decode, [this](std::string_view bytes) { return pcm_.append(bytes); },
                [this](std::string_view text) {
                    const std::lock_guard lock(logMutex_);
                    log_ += text;
                },
                adapterName);
            pcm_.finish(ok);
        });
    }
    ~FfmpegDecode() { wait(); }

    long read(long at, long n, std::int32_t* left, std::int32_t* right) {
        const long got = std::min(n, pcm_.waitFor(at + n) - at);
        const int last = pcm_.channels() - 1;
        for (long i = 0; i < got; ++i) {
            left[i] = wide_ ? pcm_.sample<std::int32_t>(at + i, 0) : pcm_.sample<short>(at + i, 0);
            right[i] =
                wide_ ? pcm_.sample<std::int32_t>(at + i, last) : pcm_.sample<short>(at + i, last);
        }
        return std::max(0L, got);
    }
    // Once, when there is one: what ffmpeg said of the input, up to its own output.
    std::string takeReport(bool ended) {
        const std::lock_guard lock(logMutex_);
        const std::size_t end = log_.find("Stream mapping:");
        if (reported_ || (end == std::string::npos && !ended)) {
            return {};
        }
        reported_ = true;
        return log_.substr(0, end);
    }
    void wait() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool ok() const { return pcm_.ok(); }
    long frames() const { return pcm_.frames(); }

  private:
    PcmStream pcm_;
    bool wide_;
    std::mutex logMutex_;
    std::string log_;
    bool reported_ = false;
    std::thread thread_;
};

}  // namespace

std::optional<Mp3Job> parseMp3Job(const std::vector<std::string>& a) {
    long rate = 0, kbps = 0;
    if (a.size() != 11 || a[0] != "-i" || a[2] != "-y" || a[3] != "-vn" || a[4] != "-ar" ||
        a[6] != "-ab" || a[8] != "-ac" || (a[9] != "1" && a[9] != "2") ||
        !endsWithNoCase(a[1], ".flac") || !endsWithNoCase(a[10], ".mp3") ||
        !parsePositive(a[5], rate) || a[7].size() < 2 || a[7].back() != 'k' ||
        !parsePositive(a[7].substr(0, a[7].size() - 1), kbps) || kbps > 320) {
        return std::nullopt;
    }
    return Mp3Job{a[1], a[10], static_cast<int>(nearestMp3SampleRate(rate)), static_cast<int>(kbps),
                  a[9] == "1" ? 1 : 2};
}

std::vector<long> pieceStarts(long frames, int pieces) {
    std::vector<long> starts;
    for (int k = 0; k <= pieces; ++k) {
        starts.push_back(frames * k / pieces);
    }
    return starts;
}

std::optional<int> encodeMp3InPieces(const Mp3Job& job, int pieces, const char* adapterName) {
    const FlacReader flac(job.input);
    if (pieces < 2 || !flac.ok() || flac.frames() < kShortestSeconds * flac.sampleRate()) {
        return std::nullopt;
    }
    // Not resampled or mixed, each piece decodes its own span of the FLAC: lossless, so the very
    // numbers ffmpeg would decode. Otherwise ffmpeg decodes the whole as the pieces go.
    const bool direct = flac.sampleRate() == job.sampleRate && flac.channels() == job.channels;
    const bool wide = flac.bits() > 16;
    const long expected = static_cast<long>(flac.frames() * job.sampleRate / flac.sampleRate());
    const long capacity = expected + kSpareSeconds * job.sampleRate;
    if (!direct &&
        static_cast<long long>(capacity) * (wide ? 4 : 2) * job.channels > kMostPcmBytes) {
        return std::nullopt;
    }
    const auto started = std::chrono::steady_clock::now();
    const long spf = job.sampleRate >= 32000 ? 1152 : 576;
    pieces = static_cast<int>(
        std::min<long>(pieces, expected / (kShortestPieceSeconds * job.sampleRate)));
    const std::vector<long> starts = pieceStarts((expected + spf - 1) / spf, pieces);
    std::vector<Piece> parts = planPieces(job, expected, starts);

    std::unique_ptr<FfmpegDecode> decode;
    if (direct) {
        print(flacReport(flac, job.input));
    } else {
        decode = std::make_unique<FfmpegDecode>(job, capacity, wide, adapterName);
    }
    std::atomic<long> done{0};
    std::mutex finishMutex;
    std::condition_variable pieceFinished;
    int finished = 0;
    std::vector<std::thread> threads;
    for (Piece& p : parts) {
        threads.emplace_back([&, wide] {
            if (direct) {
                FlacReader own(job.input);
                encodePiece(
                    job,
                    [&own](long at, long n, std::int32_t* l, std::int32_t* r) {
                        return own.read(at, n, l, r);
                    },
                    wide, p, done);
            } else {
                encodePiece(
                    job,
                    [&decode](long at, long n, std::int32_t* l, std::int32_t* r) {
                        return decode->read(at, n, l, r);
                    },
                    wide, p, done);
            }
            const std::lock_guard lock(finishMutex);
            ++finished;
            pieceFinished.notify_all();
        });
    }
    auto speed = [&started](double seconds) {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        return spent.count() > 0 ? seconds / spent.count() : 0.0;
    };
    for (;;) {
        {
            std::unique_lock lock(finishMutex);
            if (pieceFinished.wait_for(lock, std::chrono::milliseconds(100),
                                       [&] { return finished == pieces; })) {
                break;
            }
        }
        if (decode) {
            print(decode->takeReport(false));
        }
        const double seconds = static_cast<double>(done) / job.sampleRate;
        print(statusLine(static_cast<std::size_t>(seconds * job.kbps * 125), seconds,
                         speed(seconds), '\r'));
    }
    for (std::thread& t : threads) {
        t.join();
    }
    if (decode) {
        decode->wait();
        print(decode->takeReport(true));
    }
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    const long samples = direct ? expected : decode->frames();
    // The pieces were planned on the header's length: the input must have ended in the last.
    if ((decode && !decode->ok()) || samples <= parts.back().ownFrom) {
        return std::nullopt;
    }

    Mp3FramePacker packer;
    if (!joinPieces(parts, starts, packer)) {
        return std::nullopt;
    }
    const Mp3InfoFacts facts{parts.front().delay, static_cast<std::uint64_t>(samples),
                             parts.front().lowpass, std::string("LAME") + get_lame_short_version()};
    const std::string info = mp3InfoFrame(packer.bytes(), packer.frameOffsets(), facts);
    if (info.empty() || !writeAtomically(job.output, id3Tag(job.input), info, packer.bytes())) {
        if (const int sig = endingSignalSeen()) {
            return 128 + sig;
        }
        return std::nullopt;
    }
    const double seconds = static_cast<double>(samples) / job.sampleRate;
    print(statusLine(packer.bytes().size() + info.size(), seconds, speed(seconds), '\n'));
    return 0;
}

}  // namespace lumivox::tools
