#include "tools/flacwav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <thread>

#include "tools/argtranslate.h"
#include "tools/flacreader.h"
#include "tools/loudness/loudness.h"
#include "tools/runtool.h"

namespace lumivox::tools {
namespace {

void putLe(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    }
}

bool writeAt(int fd, const char* data, std::size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = pwrite(fd, data, size, at);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
    return true;
}

// Decodes frames [from, to) into the file's data (fd -1: nowhere), interleaved 16-bit
// little-endian; `meter`, when given, is fed [meterFrom, meterTo) of the same samples, which may
// reach a little either side of the span.
bool decodeSpan(const std::string& input, int fd, long long from, long long to,
                LoudnessMeter* meter = nullptr, long long meterFrom = 0, long long meterTo = 0) {
    FlacReader flac(input);
    constexpr long kChunk = 16384;
    std::vector<std::int32_t> left(kChunk), right(kChunk);
    const auto channels = static_cast<std::size_t>(flac.channels());
    std::vector<char> out(kChunk * channels * 2);
    const long long start = meter ? std::min(from, meterFrom) : from;
    const long long end = meter ? std::max(to, meterTo) : to;
    for (long long at = start; at < end;) {
        if (endingSignalSeen() != 0) {
            return false;
        }
        // Chunks end where writing or metering starts or stops, so each is all in or all out.
        long long chunkEnd = std::min(end, at + kChunk);
        for (const long long edge : {from, to, meterFrom, meterTo}) {
            if (edge > at && edge < chunkEnd) {
                chunkEnd = edge;
            }
        }
        const long want = static_cast<long>(chunkEnd - at);
        const long n = flac.read(at, want, left.data(), right.data());
        if (n != want) {
            return false;
        }
        if (meter && at >= meterFrom && at < meterTo) {
            meter->feed(left.data(), right.data(), n, flac.bits() > 16 ? 0 : 16);
        }
        if (fd < 0 || at < from || at >= to) {
            at += n;
            continue;
        }
        char* p = out.data();
        for (long i = 0; i < n; ++i) {
            for (std::size_t c = 0; c < channels; ++c) {
                const auto v = static_cast<std::uint16_t>(c == 0 ? left[i] : right[i]);
                *p++ = static_cast<char>(v & 0xff);
                *p++ = static_cast<char>(v >> 8);
            }
        }
        if (!writeAt(fd, out.data(), static_cast<std::size_t>(p - out.data()),
                     static_cast<off_t>(44 + at * static_cast<long long>(channels) * 2))) {
            return false;
        }
        at += n;
    }
    return true;
}

// Decodes the FLAC in `pieces` spans side by side into fd (-1: nowhere); with `profile`, measures
// its loudness on the way, each span's meter starting at a whole 100 ms step.
bool decodeInPieces(const std::string& input, const FlacReader& flac, int fd, int pieces,
                    LoudnessProfile* profile) {
    const long long frames = flac.frames();
    const long step = (flac.sampleRate() + 5) / 10;
    std::vector<long> firstSteps;
    for (int k = 0; k <= pieces; ++k) {
        firstSteps.push_back(
            k == pieces ? -1 : static_cast<long>((frames * k / pieces + step - 1) / step));
    }
    std::vector<std::unique_ptr<LoudnessMeter>> meters;
    for (int k = 0; k < pieces && profile; ++k) {
        meters.push_back(std::make_unique<LoudnessMeter>(flac.channels(), flac.sampleRate(),
                                                         firstSteps[static_cast<std::size_t>(k)]));
    }
    std::vector<std::thread> threads;
    std::vector<char> done(static_cast<std::size_t>(pieces), 0);
    for (int k = 0; k < pieces; ++k) {
        threads.emplace_back([&, k] {
            const auto i = static_cast<std::size_t>(k);
            const long long meterTo =
                k + 1 == pieces
                    ? frames
                    : std::min(frames, firstSteps[i + 1] * static_cast<long long>(step));
            LoudnessMeter* meter = profile ? meters[i].get() : nullptr;
            done[i] =
                decodeSpan(input, fd, frames * k / pieces, frames * (k + 1) / pieces, meter,
                           LoudnessMeter::feedFrom(flac.sampleRate(), firstSteps[i]), meterTo);
            if (meter && k + 1 == pieces) {
                meter->finish();
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    bool ok = true;
    for (const char d : done) {
        ok = ok && d;
    }
    if (ok && profile) {
        std::vector<LoudnessProfile> parts;
        for (const auto& m : meters) {
            ok = ok && m->ok();
            parts.push_back(m->profile());
        }
        *profile = joinProfiles(parts);
        ok = ok && profile->blocks.size() == static_cast<std::size_t>((frames + step - 1) / step);
    }
    return ok;
}

}  // namespace

std::optional<LoudnessProfile> measureFlac(const std::string& input, int pieces) {
    const FlacReader flac(input);
    LoudnessProfile profile;
    if (!flac.ok() || !decodeInPieces(input, flac, -1, std::max(1, pieces), &profile)) {
        return std::nullopt;
    }
    return profile;
}

std::string wavHeader(long long frames, int channels, long sampleRate) {
    const auto data = static_cast<std::uint32_t>(frames * channels * 2);
    std::string h = "RIFF....WAVEfmt ....ffccrrrrbbbbaa16data....";
    putLe(h, 4, 36 + data, 4);
    putLe(h, 16, 16, 4);
    putLe(h, 20, 1, 2);  // PCM
    putLe(h, 22, static_cast<std::uint32_t>(channels), 2);
    putLe(h, 24, static_cast<std::uint32_t>(sampleRate), 4);
    putLe(h, 28, static_cast<std::uint32_t>(sampleRate * channels * 2), 4);
    putLe(h, 32, static_cast<std::uint32_t>(channels * 2), 2);
    putLe(h, 34, 16, 2);
    putLe(h, 40, data, 4);
    return h;
}

std::optional<int> decodeFlacToWav(const std::vector<std::string>& args, int pieces) {
    if (args.size() != 2 || !endsWithNoCase(args[0], ".flac") || !endsWithNoCase(args[1], ".wav") ||
        pieces < 2) {
        return std::nullopt;
    }
    const FlacReader flac(args[0]);
    const long long frames = flac.frames();
    if (!flac.ok() || flac.bits() != 16 || frames * flac.channels() * 2 + 36 > 0xffffffffLL) {
        return std::nullopt;
    }
    catchEndingSignals();
    struct stat st {};
    const bool existed = lstat(args[1].c_str(), &st) == 0;
    const int fd = open(args[1].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::nullopt;
    }
    const std::string header = wavHeader(frames, flac.channels(), flac.sampleRate());
    bool ok = writeAt(fd, header.data(), header.size(), 0);
    // Measured on the way when the batch wants loudness and no measurement of it is kept yet.
    const std::string profilePath =
        loudnessModeFromEnvironment() != LoudnessMode::Off ? profilePathOf(args[0]) : "";
    LoudnessProfile profile;
    const bool measure = !profilePath.empty() && !loadProfile(profilePath);
    ok = ok && decodeInPieces(args[0], flac, fd, pieces, measure ? &profile : nullptr);
    if (ok && measure) {
        saveProfile(profile, profilePath);
    }
    ok = close(fd) == 0 && ok;
    if (ok) {
        return 0;
    }
    if (!existed) {
        unlink(args[1].c_str());
    }
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    return std::nullopt;
}

}  // namespace lumivox::tools
