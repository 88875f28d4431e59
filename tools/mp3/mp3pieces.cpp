#include "tools/mp3/mp3pieces.h"

#include <lame/lame.h>

#include <algorithm>
#include <numeric>

#include "tools/runtool.h"

namespace lumivox::tools {
namespace {

// A piece starts at least this many frames early, so that its filter bank, psychoacoustic model
// and bit reservoir have settled by the frames that are kept: LAME's frames then often come out
// the same as in one long encode after about 20.
constexpr long kPriming = 32;
// ... and runs on this many past its end, the frames where the next piece may take over.
constexpr long kOverlap = 32;
// Frames in a row both pieces must have encoded alike before one hands over to the other: one
// alike frame may be chance while the encoders' states still differ.
constexpr long kAlike = 4;

long samplesPerFrame(const Mp3Job& job) {
    return job.sampleRate >= 32000 ? 1152 : 576;
}

// Frames after which LAME's padding bits repeat ("417 418 418 ... " bytes at 44.1 kHz, every 49
// frames): a piece that starts on a multiple has the frame sizes of one long encode.
long paddingPeriod(const Mp3Job& job) {
    const long slot = samplesPerFrame(job) / 8 * job.kbps * 1000L;
    return job.sampleRate / std::gcd(slot % job.sampleRate, static_cast<long>(job.sampleRate));
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

bool sameFrame(const Mp3Frame* a, const Mp3Frame* b) {
    return a && b && a->headerAndSideInfo == b->headerAndSideInfo && a->mainData == b->mainData;
}

}  // namespace

std::vector<Piece> planPieces(const Mp3Job& job, long samples, const std::vector<long>& starts) {
    const long spf = samplesPerFrame(job);
    const long period = paddingPeriod(job);
    std::vector<Piece> pieces(starts.size() - 1);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        Piece& p = pieces[k];
        p.last = k + 1 == pieces.size();
        p.from = k == 0 ? 0 : std::max(0L, (starts[k] - kPriming) / period * period * spf);
        p.to = p.last ? samples : (starts[k + 1] + kOverlap) * spf;
        p.ownFrom = starts[k] * spf;
        p.ownTo = p.last ? samples : starts[k + 1] * spf;
        p.firstFrame = p.from / spf;
    }
    return pieces;
}

void encodePiece(const Mp3Job& job, const SampleSource& source, bool wide, Piece& piece,
                 std::atomic<long>& done) {
    lame_global_flags* gf = openEncoder(job);
    if (!gf) {
        return;
    }
    constexpr long kChunk = 1152 * 16;
    std::vector<std::int32_t> left(kChunk), right(kChunk);
    std::vector<short> left16(wide ? 0 : kChunk), right16(wide ? 0 : kChunk);
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    bool ok = true;
    for (long at = piece.from;;) {
        const long want = piece.last ? kChunk : std::min(kChunk, piece.to - at);
        const long n = want > 0 ? source(at, want, left.data(), right.data()) : 0;
        if (n <= 0 || endingSignalSeen() != 0) {
            ok = n == 0 && endingSignalSeen() == 0;
            break;
        }
        int got = 0;
        if (wide) {
            got = lame_encode_buffer_int(gf, left.data(), right.data(), static_cast<int>(n),
                                         buffer.data(), static_cast<int>(buffer.size()));
        } else {
            std::copy_n(left.begin(), n, left16.begin());
            std::copy_n(right.begin(), n, right16.begin());
            got = lame_encode_buffer(gf, left16.data(), right16.data(), static_cast<int>(n),
                                     buffer.data(), static_cast<int>(buffer.size()));
        }
        if (got < 0) {
            ok = false;
            break;
        }
        piece.mp3.append(reinterpret_cast<const char*>(buffer.data()),
                         static_cast<std::size_t>(got));
        done += std::max(0L, std::min(at + n, piece.ownTo) - std::max(at, piece.ownFrom));
        at += n;
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

// Piece k hands over to piece k+1 at the first frame of the overlap from which both encoded
// alike, so the join is seamless. Failing that, at the first frame where the frames laid out so
// far leave piece k+1 at least the reservoir it counted on; from there on every one of its
// frames fits as it did in its own stream.
bool joinPieces(const std::vector<Piece>& pieces, const std::vector<long>& starts,
                Mp3FramePacker& packer) {
    std::vector<std::vector<Mp3Frame>> frames;
    for (const Piece& p : pieces) {
        auto f = p.ok ? unpackMp3Frames(p.mp3) : std::nullopt;
        if (!f || f->empty()) {
            return false;
        }
        frames.push_back(std::move(*f));
    }
    auto frameOf = [&](std::size_t k, long index) -> const Mp3Frame* {
        const long i = index - pieces[k].firstFrame;
        return i >= 0 && i < static_cast<long>(frames[k].size())
                   ? &frames[k][static_cast<std::size_t>(i)]
                   : nullptr;
    };
    long t = 0;
    const std::size_t n = frames.size();
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

}  // namespace lumivox::tools
