#include "tools/mp3/parallelmp3.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/argtranslate.h"
#include "tools/decodedwav.h"
#include "tools/flacreader.h"
#include "tools/losslesswav.h"
#include "tools/mp3/mp3file.h"
#include "tools/mp3/mp3frames.h"
#include "tools/mp3/mp3input.h"
#include "tools/mp3/mp3pieces.h"
#include "tools/runtool.h"
#include "tools/sourceformat.h"
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

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

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

// The input as the pieces see it: a FLAC that libFLAC reads, or another lossless source through
// the WAV sox.exe decoded it into.
struct InputFacts {
    bool ok = false;
    bool flac = false;
    long long frames = 0;
    int rate = 0;
    int channels = 0;
    int bits = 0;
    std::string wav;        // the decoded WAV of a source that is not a FLAC
    bool plainWav = false;  // 16 bits behind the 44-byte header: its samples are read directly
};

InputFacts factsOf(const Mp3Job& job, const FlacReader& flac) {
    InputFacts in;
    if (flac.ok()) {
        in.ok = in.flac = true;
        in.frames = flac.frames();
        in.rate = static_cast<int>(flac.sampleRate());
        in.channels = flac.channels();
        in.bits = flac.bits();
        return in;
    }
    in.wav = decodedWavOf(job.input);
    const auto shape = in.wav.empty() ? std::nullopt : wavShape(in.wav);
    if (!shape || shape->rate <= 0 || shape->channels <= 0) {
        return in;
    }
    in.ok = true;
    in.frames = static_cast<long long>(shape->frames);
    in.rate = static_cast<int>(shape->rate);
    in.channels = shape->channels;
    in.bits = shape->bits;
    std::string head(44, '\0');
    const int fd = open(in.wav.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    const bool read =
        fd >= 0 && pread(fd, head.data(), head.size(), 0) == 44 && fstat(fd, &st) == 0;
    if (fd >= 0) {
        close(fd);
    }
    in.plainWav = read && readPlainWavHeader(head, static_cast<std::uint64_t>(st.st_size));
    return in;
}

// ffmpeg's name of the demuxer, as its report shows it.
const char* demuxerName(SourceFormat format) {
    switch (format) {
        case SourceFormat::Ape:
            return "ape";
        case SourceFormat::WavPack:
            return "wv";
        case SourceFormat::Tta:
            return "tta";
        case SourceFormat::Tak:
            return "tak";
        case SourceFormat::Mp4:
            return "mov,mp4,m4a,3gp,3g2,mj2";
        case SourceFormat::Aiff:
            return "aiff";
        case SourceFormat::Dsf:
            return "dsf";
        case SourceFormat::Dff:
            return "iff";
        default:
            return "wav";
    }
}

// For the progress line only: what LAME's VBR gives music on average.
int estimatedKbps(const Mp3Job& job) {
    return job.vbrQuality ? 260 - 16 * *job.vbrQuality : job.kbps;
}

// The encode as planned from the FLAC header (or the decoded WAV's).
struct Plan {
    bool direct = false;      // each piece reads its own span of the FLAC, or of the WAV below
    std::string wav;          // sox.exe's decode of this very FLAC, when there is one
    std::string decodeFrom;   // what ffmpeg decodes when it must: the FLAC, or that WAV
    bool wide = false;        // more than 16 bits a sample
    long long spanStart = 0;  // of the input, at its rate: the track of an album image
    long long spanEnd = 0;
    long long inputFrames = 0;
    long expected = 0;  // samples after resampling
    long capacity = 0;  // samples held when ffmpeg decodes
    std::vector<long> starts;
    std::vector<PiecePlan> pieces;
};

// Why the job goes to plain ffmpeg, or empty with the plan filled in.
std::string planEncode(const Mp3Job& job, const InputFacts& in, int pieces, Plan& plan) {
    if (pieces < 2) {
        return "one processor core";
    }
    if (!in.ok) {
        return "not a FLAC that libFLAC reads";
    }
    plan.spanStart = job.span ? static_cast<long long>(job.span->start) : 0;
    plan.spanEnd =
        job.span ? std::min(static_cast<long long>(job.span->end), in.frames) : in.frames;
    if (plan.spanStart >= plan.spanEnd) {
        return "the span lies past the input's end";
    }
    if (plan.spanEnd - plan.spanStart < kShortestSeconds * in.rate) {
        return "shorter than " + std::to_string(kShortestSeconds) + " s";
    }
    // Not resampled or mixed, each piece decodes its own span of the FLAC: lossless, so the very
    // numbers ffmpeg would decode. Otherwise ffmpeg decodes the whole as the pieces go.
    plan.direct =
        in.rate == job.sampleRate && in.channels == job.channels && (in.flac || in.plainWav);
    plan.wide = in.bits > 16;
    if (plan.direct && in.bits == 16) {
        plan.wav = in.flac ? decodedWavOf(job.input) : in.wav;
    }
    plan.decodeFrom = in.flac ? job.input : in.wav;
    plan.inputFrames = in.frames;
    const long length = static_cast<long>(plan.spanEnd - plan.spanStart);
    plan.expected = static_cast<long>(length * job.sampleRate / in.rate);
    plan.capacity = plan.expected + kSpareSeconds * job.sampleRate;
    if (!plan.direct && static_cast<long long>(plan.capacity) * (plan.wide ? 4 : 2) * job.channels >
                            kMostPcmBytes) {
        return "too long to hold decoded";
    }
    const long spf = mp3SamplesPerFrame(job.sampleRate);
    pieces = static_cast<int>(
        std::min<long>(pieces, plan.expected / (kShortestPieceSeconds * job.sampleRate)));
    plan.starts = pieceStarts((plan.expected + spf - 1) / spf, pieces);
    plan.pieces = planPieces(job, plan.expected, plan.starts);
    return {};
}

// The source with the gain put on, as left-aligned 32-bit samples, so that 16-bit ones keep
// what the gain gives below their last bit. The gain never raises the true peak over -1 dBTP,
// so nothing clips; the clamp is for a source measured wrongly.
SampleSource withGain(SampleSource source, double gainDb, bool wide) {
    const double factor = std::pow(10.0, gainDb / 20) * (wide ? 1.0 : 65536.0);
    return [source = std::move(source), factor](long at, long n, std::int32_t* l, std::int32_t* r) {
        const long got = source(at, n, l, r);
        for (long i = 0; i < got; ++i) {
            for (std::int32_t* s : {l + i, r + i}) {
                *s = static_cast<std::int32_t>(std::clamp(std::llround(*s * factor),
                                                          static_cast<long long>(INT32_MIN),
                                                          static_cast<long long>(INT32_MAX)));
            }
        }
        return got;
    };
}

// Where the time went, in milliseconds of the wall clock (reading: summed over the pieces).
struct Timings {
    long read = 0;
    long encode = 0;
    long carry = 0;
    long join = 0;
    long write = 0;
};

struct Encoded {
    const char* source = "of the FLAC";  // what the pieces read
    std::vector<std::unique_ptr<PieceEncoder>> encoders;
    std::vector<PieceEncoder*> pieces;  // the same, as the joins take them
    std::vector<Handover> handovers;
    bool ok = true;
};

// Encodes every piece on its own thread, each up to its planned end; then each looks for its
// hand-over, carrying on into the next piece until it finds one, while the progress line is
// printed here.
Encoded encodePieces(const Mp3Job& job, const Plan& plan, FfmpegDecode* decode, Timings& timings) {
    const std::size_t count = plan.pieces.size();
    Encoded result;
    result.handovers.resize(count);
    std::vector<PieceEncoder*>& pieces = result.pieces;
    std::shared_ptr<WavSamples> wav;
    if (!plan.wav.empty()) {
        wav = std::make_shared<WavSamples>(plan.wav, job.channels);
        if (!wav->ok() || wav->frames() != plan.inputFrames) {
            wav.reset();
        }
    }
    result.source = decode ? "from ffmpeg" : wav ? "of the WAV" : "of the FLAC";
    // Read directly, sample `at` of the encode is sample spanStart + at of the input, and the
    // input ends at spanEnd.
    const long long offset = plan.spanStart;
    const long length = static_cast<long>(plan.spanEnd - plan.spanStart);
    auto within = [length](long at, long n) { return std::max(0L, std::min(n, length - at)); };
    for (const PiecePlan& p : plan.pieces) {
        SampleSource source;
        if (decode) {
            source = [decode](long at, long n, std::int32_t* l, std::int32_t* r) {
                return decode->read(at, n, l, r);
            };
        } else if (wav) {
            source = [wav, offset, within](long at, long n, std::int32_t* l, std::int32_t* r) {
                const long wanted = within(at, n);
                return wanted == 0 ? 0 : wav->read(offset + at, wanted, l, r);
            };
        } else {
            auto flac = std::make_shared<FlacReader>(job.input);
            source = [flac, offset, within](long at, long n, std::int32_t* l, std::int32_t* r) {
                const long wanted = within(at, n);
                return wanted == 0 ? 0 : flac->read(offset + at, wanted, l, r);
            };
        }
        const bool gained = job.gainDb != 0;
        if (gained) {
            source = withGain(std::move(source), job.gainDb, plan.wide);
        }
        result.encoders.push_back(
            std::make_unique<PieceEncoder>(job, source, plan.wide || gained, p));
        pieces.push_back(result.encoders.back().get());
    }

    const auto started = Clock::now();
    std::atomic<long> done{0};
    std::atomic<long> settledAt{0};
    std::atomic<std::size_t> arrived{0};
    std::latch settled(static_cast<std::ptrdiff_t>(count));
    std::mutex finishMutex;
    std::condition_variable pieceFinished;
    std::size_t finished = 0;
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < count; ++k) {
        threads.emplace_back([&, k] {
            PieceEncoder& own = *pieces[k];
            const PiecePlan& p = plan.pieces[k];
            own.encodeTo(p.last ? LONG_MAX : p.to, done);
            own.settle();
            if (++arrived == count) {
                settledAt = millisecondsSince(started);
            }
            settled.count_down();
            settled.wait();
            long first = p.last ? 0 : plan.starts[k + 1];
            while (!p.last && own.ok() &&
                   !findHandover(pieces, k, plan.starts, first, result.handovers[k]) &&
                   !own.inputEnded()) {
                own.carryOn(done);
            }
            // Carried on to the end: its own frames are the one long encode, better than a join
            // that is not in step.
            if (own.inputEnded() && !result.handovers[k].sameReservoir) {
                result.handovers[k] = {};
            }
            const std::lock_guard lock(finishMutex);
            ++finished;
            pieceFinished.notify_all();
        });
    }
    for (;;) {
        {
            std::unique_lock lock(finishMutex);
            if (pieceFinished.wait_for(lock, std::chrono::milliseconds(100),
                                       [&] { return finished == count; })) {
                break;
            }
        }
        if (decode) {
            print(decode->takeReport(false));
        }
        const double seconds = static_cast<double>(done) / job.sampleRate;
        const double spent = static_cast<double>(millisecondsSince(started)) / 1000;
        print(statusLine(static_cast<std::size_t>(seconds * estimatedKbps(job) * 125), seconds,
                         spent > 0 ? seconds / spent : 0.0, '\r'));
    }
    for (std::thread& t : threads) {
        t.join();
    }
    timings.encode = settledAt;
    timings.carry = millisecondsSince(started) - settledAt;
    for (const PieceEncoder* piece : pieces) {
        timings.read += piece->readMilliseconds();
        result.ok = result.ok && piece->ok();
    }
    return result;
}

std::string describe(const Encoded& encoded, const Timings& t) {
    long inStep = 0, alike = 0, byRoom = 0, carried = 0;
    std::string at;
    for (std::size_t k = 0; k + 1 < encoded.encoders.size(); ++k) {
        const Handover& h = encoded.handovers[k];
        (h.sameReservoir ? inStep : h.alike ? alike : byRoom) += h.to != 0 ? 1 : 0;
        at += h.to != 0 ? " " + std::to_string(h.frame) : "";
        carried += encoded.encoders[k]->framesEnd() - encoded.encoders[k]->settledEnd();
    }
    char text[256];
    std::snprintf(text, sizeof text,
                  "%zu pieces, %ld joins in step, %ld alike, %ld by reservoir, %ld frames "
                  "carried on; read %ld ms %s, encode %ld ms, carry %ld ms, join %ld ms, write %ld "
                  "ms; joined at",
                  encoded.encoders.size(), inStep, alike, byRoom, carried, t.read, encoded.source,
                  t.encode, t.carry, t.join, t.write);
    return text + at;
}

}  // namespace

std::optional<Mp3Job> parseMp3Job(const std::vector<std::string>& a) {
    long rate = 0, kbps = 0;
    if (a.size() < 11 || (a.size() - 11) % 2 != 0 || a[0] != "-i" || a[2] != "-y" ||
        a[3] != "-vn" || a[4] != "-ar" || a[6] != "-ab" || a[8] != "-ac" ||
        (a[9] != "1" && a[9] != "2") || !endsWithNoCase(a.back(), ".mp3") ||
        !parsePositive(a[5], rate) || a[7].size() < 2 || a[7].back() != 'k' ||
        !parsePositive(a[7].substr(0, a[7].size() - 1), kbps) || kbps > 320) {
        return std::nullopt;
    }
    Mp3Job job{a[1],
               a.back(),
               static_cast<int>(nearestMp3SampleRate(rate)),
               static_cast<int>(kbps),
               a[9] == "1" ? 1 : 2,
               std::nullopt,
               std::nullopt,
               0.0};
    for (std::size_t i = 10; i + 1 < a.size(); i += 2) {
        if (a[i] == "-metadata") {
            continue;  // the tags' business, not the audio's
        }
        if (a[i] == "-q:a" && !job.vbrQuality && a[i + 1].size() == 1 && a[i + 1][0] >= '0' &&
            a[i + 1][0] <= '9') {
            job.vbrQuality = a[i + 1][0] - '0';
            continue;
        }
        if (a[i] != "-af" || job.span || !(job.span = parseAtrim({a[i], a[i + 1]}))) {
            return std::nullopt;
        }
    }
    return job;
}

std::vector<long> pieceStarts(long frames, int pieces) {
    std::vector<long> starts;
    for (int k = 0; k <= pieces; ++k) {
        starts.push_back(frames * k / pieces);
    }
    return starts;
}

Mp3Outcome encodeMp3InPieces(const Mp3Job& job, int pieces, const char* adapterName) {
    const auto started = Clock::now();
    const FlacReader flac(job.input);
    const InputFacts in = factsOf(job, flac);
    Plan plan;
    if (std::string refused = planEncode(job, in, pieces, plan); !refused.empty()) {
        return {std::nullopt, refused};
    }
    std::unique_ptr<FfmpegDecode> decode;
    if (plan.direct && in.flac) {
        print(flacReport(flac, job.input));
    } else if (plan.direct) {
        print(inputReport(demuxerName(sourceFormatOf(job.input)), job.input,
                          static_cast<std::uint64_t>(in.frames),
                          static_cast<std::uint32_t>(in.rate), in.channels, in.bits));
    } else {
        Mp3Job decoded = job;
        decoded.input = plan.decodeFrom;
        decode = std::make_unique<FfmpegDecode>(decoded, plan.capacity, plan.wide, adapterName);
    }
    Timings timings;
    Encoded encoded = encodePieces(job, plan, decode.get(), timings);
    if (decode) {
        decode->wait();
        print(decode->takeReport(true));
    }
    if (const int sig = endingSignalSeen()) {
        return {128 + sig, "ended"};
    }
    const long samples = plan.direct ? plan.expected : decode->frames();
    // The pieces were planned on the header's length: the input must have ended in the last.
    if ((decode && !decode->ok()) || !encoded.ok || samples <= plan.pieces.back().ownFrom) {
        return {std::nullopt, "decoding or encoding failed"};
    }

    const auto joinStarted = Clock::now();
    const std::vector<PieceEncoder*>& encoders = encoded.pieces;
    Mp3FramePacker packer;
    if (!joinPieces(encoders, encoded.handovers, packer)) {
        return {std::nullopt, "frames do not join"};
    }
    const Mp3InfoFacts facts{
        encoders.front()->delay(), static_cast<std::uint64_t>(samples), encoders.front()->lowpass(),
        std::string("LAME") + get_lame_short_version(), job.vbrQuality.has_value()};
    const std::string info = mp3InfoFrame(packer.bytes(), packer.frameOffsets(), facts);
    timings.join = millisecondsSince(joinStarted);

    const auto writeStarted = Clock::now();
    if (info.empty() || !writeMp3File(job.output, info, packer.bytes())) {
        if (const int sig = endingSignalSeen()) {
            return {128 + sig, "ended"};
        }
        return {std::nullopt, "the file could not be written"};
    }
    timings.write = millisecondsSince(writeStarted);
    const double seconds = static_cast<double>(samples) / job.sampleRate;
    const double spent = static_cast<double>(millisecondsSince(started)) / 1000;
    print(statusLine(packer.bytes().size() + info.size(), seconds,
                     spent > 0 ? seconds / spent : 0.0, '\n'));
    return {0, describe(encoded, timings)};
}

void reportMp3Path(const std::string& input, bool pieces, const std::string& reason) {
    const char* path = std::getenv("LUMIVOX_PIECES_REPORT");
    if (!path || !*path) {
        return;
    }
    // One write to a file opened for appending: lines of encodes side by side stay whole.
    const std::string line = input + '\t' + (pieces ? "pieces" : "plain") + '\t' + reason + '\n';
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
        close(fd);
    }
}

}  // namespace lumivox::tools
