#include "parallelmp3.h"

#include <lame/lame.h>
#include <signal.h>
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
#include <cstring>
#include <mutex>
#include <numeric>
#include <thread>
#include <type_traits>

#include "argtranslate.h"
#include "mp3frames.h"
#include "pcmstream.h"
#include "runtool.h"

namespace lumivox::tools {
namespace {

// A piece starts at least this many frames early, so that its filter bank, psychoacoustic model
// and bit reservoir have settled by the frames that are kept: LAME's frames then come out the
// same as in one long encode after about 20.
constexpr long kPriming = 32;
// ... and runs on this many past its end, the frames where the next piece may take over.
constexpr long kOverlap = 32;
// Frames in a row both pieces must have encoded alike before one hands over to the other: one
// alike frame may be chance while the encoders' states still differ.
constexpr long kAlike = 4;
// Shorter inputs go to ffmpeg: there is little to win and each piece needs some length.
constexpr long kShortestSeconds = 20;
constexpr long kShortestPieceSeconds = 5;
// Decoded audio kept in memory: about three hours of 48 kHz stereo.
constexpr long long kMostPcmBytes = 2LL << 30;
// Room beyond the length the FLAC header gives, for what resampling adds.
constexpr long kSpareSeconds = 2;

struct Piece {
    long from = 0;  // input samples fed: [from, to)
    long to = 0;
    long ownFrom = 0;  // the part counted as progress
    long ownTo = 0;
    bool last = false;
    std::string mp3;
    bool ok = false;
    int delay = 0;
    int lowpass = 0;
};

bool parsePositive(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value > 0;
}

// The settings ffmpeg's libmp3lame encoder gives LAME for "-ab Nk -ar R -ac C": constant
// bitrate, joint stereo for two channels, LAME's own quality, no VBR tag, reservoir on.
lame_global_flags* openEncoder(const Mp3Job& job) {
    lame_global_flags* gf = lame_init();
    if (!gf) {
        return nullptr;
    }
    lame_set_num_channels(gf, job.channels);
    lame_set_mode(gf, job.channels > 1 ? JOINT_STEREO : MONO);
    lame_set_in_samplerate(gf, job.sampleRate);
    lame_set_out_samplerate(gf, job.sampleRate);
    lame_set_brate(gf, job.kbps);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_disable_reservoir(gf, 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return nullptr;
    }
    return gf;
}

template <typename Sample>
int encodeSamples(lame_global_flags* gf, const std::vector<Sample>& left,
                  const std::vector<Sample>& right, long n, std::vector<unsigned char>& out) {
    if constexpr (std::is_same_v<Sample, short>) {
        return lame_encode_buffer(gf, left.data(), right.data(), static_cast<int>(n), out.data(),
                                  static_cast<int>(out.size()));
    } else {
        return lame_encode_buffer_int(gf, left.data(), right.data(), static_cast<int>(n),
                                      out.data(), static_cast<int>(out.size()));
    }
}

// Feeds the piece's samples to its own encoder as they arrive from the decoder. The last piece
// runs to wherever the input ends.
template <typename Sample>
void encodePiece(const Mp3Job& job, PcmStream& pcm, Piece& piece, std::atomic<long>& done) {
    lame_global_flags* gf = openEncoder(job);
    if (!gf) {
        return;
    }
    constexpr long kChunk = 1152 * 16;
    std::vector<Sample> left(kChunk), right(kChunk);
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    bool ok = true;
    for (long at = piece.from; ok; at += kChunk) {
        const long want = piece.last ? at + kChunk : std::min(at + kChunk, piece.to);
        const long n = std::min(want, pcm.waitFor(want)) - at;
        if (n <= 0 || endingSignalSeen() != 0) {
            ok = endingSignalSeen() == 0;
            break;
        }
        for (long i = 0; i < n; ++i) {
            left[static_cast<std::size_t>(i)] = pcm.sample<Sample>(at + i, 0);
            right[static_cast<std::size_t>(i)] = pcm.sample<Sample>(at + i, job.channels - 1);
        }
        const int got = encodeSamples(gf, left, right, n, buffer);
        ok = got >= 0;
        if (ok) {
            piece.mp3.append(reinterpret_cast<const char*>(buffer.data()),
                             static_cast<std::size_t>(got));
        }
        done += std::max(0L, std::min(at + n, piece.ownTo) - std::max(at, piece.ownFrom));
    }
    if (ok) {
        const int got = lame_encode_flush(gf, buffer.data(), static_cast<int>(buffer.size()));
        ok = got >= 0;
        if (ok) {
            piece.mp3.append(reinterpret_cast<const char*>(buffer.data()),
                             static_cast<std::size_t>(got));
        }
    }
    piece.delay = lame_get_encoder_delay(gf);
    piece.lowpass = lame_get_lowpassfreq(gf);
    lame_close(gf);
    piece.ok = ok;
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

// Frames after which LAME's padding bits repeat ("417 418 418 ... " bytes at 44.1 kHz, every 49
// frames): a piece that starts on a multiple has the frame sizes of one long encode.
long paddingPeriod(const Mp3Job& job, long samplesPerFrame) {
    const long slot = samplesPerFrame / 8 * job.kbps * 1000L;
    return job.sampleRate / std::gcd(slot % job.sampleRate, static_cast<long>(job.sampleRate));
}

bool sameFrame(const Mp3Frame* a, const Mp3Frame* b) {
    return a && b && a->headerAndSideInfo == b->headerAndSideInfo && a->mainData == b->mainData;
}

// Joins the pieces' frames: piece k hands over to piece k+1 at the first frame of the overlap
// from which both encoded alike, so the join is seamless. Failing that, at the first frame where
// the frames laid out so far leave piece k+1 at least the reservoir it counted on; from there on
// every one of its frames fits as it did in its own stream.
bool joinPieces(const std::vector<std::vector<Mp3Frame>>& frames, const std::vector<long>& bases,
                const std::vector<long>& starts, Mp3FramePacker& packer) {
    long t = 0;
    const std::size_t n = frames.size();
    auto frameOf = [&](std::size_t k, long index) -> const Mp3Frame* {
        const long i = index - bases[k];
        return i >= 0 && i < static_cast<long>(frames[k].size())
                   ? &frames[k][static_cast<std::size_t>(i)]
                   : nullptr;
    };
    for (std::size_t k = 0; k + 1 < n; ++k) {
        // The last frames of the overlap saw the piece's end, so they are no candidates.
        const long last = starts[k + 1] + kOverlap - 4;
        long fits = -1;
        for (long c = starts[k + 1]; c + kAlike <= last && fits < 0; ++c) {
            long alike = 0;
            while (alike < kAlike && sameFrame(frameOf(k, c + alike), frameOf(k + 1, c + alike))) {
                ++alike;
            }
            fits = alike == kAlike ? c : -1;
        }
        for (; t < fits || fits < 0; ++t) {
            const Mp3Frame* next = frameOf(k + 1, t);
            if (fits < 0 && t >= starts[k + 1] && next &&
                packer.room(next->header.maxBegin) >= next->mainDataBegin) {
                break;
            }
            const Mp3Frame* own = frameOf(k, t);
            if (t >= last || !own || !packer.add(*own)) {
                return false;
            }
        }
    }
    for (const Mp3Frame* f = frameOf(n - 1, t); f; f = frameOf(n - 1, ++t)) {
        if (!packer.add(*f)) {
            return false;
        }
    }
    return true;
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

std::optional<FlacFacts> readFlacFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return std::nullopt;
    }
    char head[42];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return readFlacFacts(std::string_view(head, got));
}

}  // namespace

std::optional<FlacFacts> readFlacFacts(std::string_view head) {
    if (head.size() < 42 || head.substr(0, 4) != "fLaC" || (head[4] & 0x7f) != 0) {
        return std::nullopt;
    }
    auto byte = [&head](std::size_t i) {
        return static_cast<unsigned long long>(static_cast<unsigned char>(head[i]));
    };
    // From byte 18: sample rate 20 bits, channels-1 3, bits-1 5, samples 36.
    const unsigned long long bits = byte(18) << 56 | byte(19) << 48 | byte(20) << 40 |
                                    byte(21) << 32 | byte(22) << 24 | byte(23) << 16 |
                                    byte(24) << 8 | byte(25);
    FlacFacts facts;
    facts.sampleRate = static_cast<long>(bits >> 44);
    facts.bitsPerSample = static_cast<int>((bits >> 36 & 31) + 1);
    facts.samples = static_cast<long long>(bits & 0xfffffffffULL);
    if (facts.sampleRate == 0) {
        return std::nullopt;
    }
    return facts;
}

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
    // The header's length plans the pieces, so they can start before the decode is done.
    const auto flac = readFlacFile(job.input);
    if (pieces < 2 || !flac || flac->samples < kShortestSeconds * flac->sampleRate) {
        return std::nullopt;
    }
    const long expected = static_cast<long>(flac->samples * job.sampleRate / flac->sampleRate);
    const bool deep = flac->bitsPerSample > 16;
    const int width = deep ? 4 : 2;
    const long capacity = expected + kSpareSeconds * job.sampleRate;
    if (static_cast<long long>(capacity) * width * job.channels > kMostPcmBytes) {
        return std::nullopt;
    }
    const auto started = std::chrono::steady_clock::now();

    const long spf = job.sampleRate >= 32000 ? 1152 : 576;
    pieces = static_cast<int>(
        std::min<long>(pieces, expected / (kShortestPieceSeconds * job.sampleRate)));
    const std::vector<long> starts = pieceStarts((expected + spf - 1) / spf, pieces);
    std::vector<Piece> parts(static_cast<std::size_t>(pieces));
    std::vector<long> bases;
    const long period = paddingPeriod(job, spf);
    for (std::size_t k = 0; k < parts.size(); ++k) {
        Piece& p = parts[k];
        p.last = k + 1 == parts.size();
        p.from = k == 0 ? 0 : std::max(0L, (starts[k] - kPriming) / period * period * spf);
        p.to = (starts[k + 1] + kOverlap) * spf;
        p.ownFrom = starts[k] * spf;
        p.ownTo = starts[k + 1] * spf;
        bases.push_back(p.from / spf);
    }

    PcmStream pcm(capacity, job.channels, width);
    std::mutex logMutex;
    std::string log;
    std::thread decoder([&] {
        ToolRun decode;
        decode.program = "ffmpeg";
        decode.args = {"-hide_banner", "-nostdin",
                       "-nostats",     "-i",
                       job.input,      "-vn",
                       "-ar",          std::to_string(job.sampleRate),
                       "-ac",          std::to_string(job.channels),
                       "-f",           deep ? "s32le" : "s16le",
                       "pipe:1"};
        const bool ok = captureTool(
            decode, [&pcm](std::string_view bytes) { return pcm.append(bytes); },
            [&](std::string_view text) {
                const std::lock_guard lock(logMutex);
                log += text;
            },
            adapterName);
        pcm.finish(ok);
    });
    std::atomic<long> done{0};
    std::mutex finishMutex;
    std::condition_variable pieceFinished;
    int finished = 0;
    std::vector<std::thread> threads;
    for (Piece& p : parts) {
        threads.emplace_back([&, deep] {
            if (deep) {
                encodePiece<int>(job, pcm, p, done);
            } else {
                encodePiece<short>(job, pcm, p, done);
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
    bool headerShown = false;
    for (;;) {
        {
            std::unique_lock lock(finishMutex);
            if (pieceFinished.wait_for(lock, std::chrono::milliseconds(100),
                                       [&] { return finished == pieces; })) {
                break;
            }
        }
        if (!headerShown) {
            // What ffmpeg said of the input, up to where it would turn to its own output.
            const std::lock_guard lock(logMutex);
            const std::size_t end = log.find("Stream mapping:");
            if (end != std::string::npos) {
                print(log.substr(0, end));
                headerShown = true;
            }
        }
        const double seconds = static_cast<double>(done) / job.sampleRate;
        print(statusLine(static_cast<std::size_t>(seconds * job.kbps * 125), seconds,
                         speed(seconds), '\r'));
    }
    for (std::thread& t : threads) {
        t.join();
    }
    decoder.join();
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    if (!headerShown) {
        print(log.substr(0, log.find("Stream mapping:")));
    }
    const long samples = pcm.frames();
    // The pieces were planned on the header's length: the input must have ended in the last.
    if (!pcm.ok() || samples <= parts.back().from + kOverlap * spf) {
        return std::nullopt;
    }

    std::vector<std::vector<Mp3Frame>> unpacked;
    for (const Piece& p : parts) {
        auto f = p.ok ? unpackMp3Frames(p.mp3) : std::nullopt;
        if (!f || f->empty()) {
            return std::nullopt;
        }
        unpacked.push_back(std::move(*f));
    }
    Mp3FramePacker packer;
    if (!joinPieces(unpacked, bases, starts, packer)) {
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
