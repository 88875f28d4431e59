#include "tools/mp3/mp3pieces.h"

#include <lame/lame.h>

#include <algorithm>
#include <chrono>
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
// Input fed to LAME at a time; also how far a piece carries on before it looks again.
constexpr long kChunkFrames = 16;
// Frames a piece carries on past its planned end looking for a hand-over with the reservoirs
// alike, before it settles for one where only the sound is: on real music both encodes fall into
// step within about 90 frames of a cut, and carrying on costs about 0.5 ms a frame.
constexpr long kPatience = 64;

// Frames after which LAME's padding bits repeat ("417 418 418 ... " bytes at 44.1 kHz, every 49
// frames): a piece that starts on a multiple has the frame sizes of one long encode.
long paddingPeriod(const Mp3Job& job) {
    if (job.vbrQuality) {
        return 1;  // LAME pads no VBR frame
    }
    const long slot = mp3SamplesPerFrame(job.sampleRate) / 8 * job.kbps * 1000L;
    return job.sampleRate / std::gcd(slot % job.sampleRate, static_cast<long>(job.sampleRate));
}

// The settings ffmpeg's libmp3lame encoder gives LAME for "-ab Nk -ar R -ac C": constant
// bitrate, joint stereo for two channels, LAME's own quality, no VBR tag, reservoir on; with
// "-q:a N" LAME's default VBR at quality N instead of the bitrate.
lame_global_flags* openEncoder(const Mp3Job& job) {
    lame_global_flags* gf = lame_init();
    if (!gf) {
        return nullptr;
    }
    lame_set_num_channels(gf, job.channels);
    lame_set_mode(gf, job.channels > 1 ? JOINT_STEREO : MONO);
    lame_set_in_samplerate(gf, job.sampleRate);
    lame_set_out_samplerate(gf, job.sampleRate);
    if (job.vbrQuality) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, static_cast<float>(*job.vbrQuality));
    } else {
        lame_set_brate(gf, job.kbps);
    }
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_disable_reservoir(gf, 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return nullptr;
    }
    return gf;
}

// Piece `to` may take over from piece `from` at frame c when its frame there asks no more of the
// reservoir than `from` left: then each of its frames fits as it did in its own stream.
bool reservoirFits(const Mp3Frame* from, const Mp3Frame* to) {
    return from && to && from->mainDataBegin >= to->mainDataBegin;
}

}  // namespace

std::vector<PiecePlan> planPieces(const Mp3Job& job, long samples,
                                  const std::vector<long>& starts) {
    const long spf = mp3SamplesPerFrame(job.sampleRate);
    const long period = paddingPeriod(job);
    std::vector<PiecePlan> pieces(starts.size() - 1);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        PiecePlan& p = pieces[k];
        p.last = k + 1 == pieces.size();
        p.from = k == 0 ? 0 : std::max(0L, (starts[k] - kPriming) / period * period * spf);
        p.to = p.last ? samples : (starts[k + 1] + kOverlap) * spf;
        p.ownFrom = starts[k] * spf;
        p.ownTo = p.last ? samples : starts[k + 1] * spf;
        p.ownFirstFrame = starts[k];
    }
    return pieces;
}

PieceEncoder::PieceEncoder(const Mp3Job& job, SampleSource source, bool wide, const PiecePlan& plan)
    : job_(job),
      source_(std::move(source)),
      wide_(wide),
      plan_(plan),
      firstFrame_(plan.from / mp3SamplesPerFrame(job.sampleRate)),
      at_(plan.from),
      lame_(openEncoder(job)) {
    ok_ = lame_ != nullptr;
}

PieceEncoder::~PieceEncoder() {
    if (lame_) {
        lame_close(lame_);
    }
}

bool PieceEncoder::take(const unsigned char* bytes, int n) {
    ok_ = ok_ && n >= 0 &&
          reader_.feed(std::string_view(reinterpret_cast<const char*>(bytes),
                                        static_cast<std::size_t>(std::max(0, n))));
    return ok_;
}

bool PieceEncoder::encodeTo(long end, std::atomic<long>& done) {
    const long chunk = kChunkFrames * mp3SamplesPerFrame(job_.sampleRate);
    std::vector<std::int32_t> left(static_cast<std::size_t>(chunk));
    std::vector<std::int32_t> right(left.size());
    std::vector<short> left16(wide_ ? 0 : left.size()), right16(wide_ ? 0 : left.size());
    std::vector<unsigned char> buffer(left.size() * 5 / 4 + 7200);
    const int room = static_cast<int>(buffer.size());
    while (ok_ && !ended_ && at_ < end) {
        const auto started = std::chrono::steady_clock::now();
        const long n = source_(at_, std::min(chunk, end - at_), left.data(), right.data());
        readMicroseconds_ +=
            static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - started)
                                  .count());
        if (n < 0 || endingSignalSeen() != 0) {
            ok_ = false;
            break;
        }
        if (n == 0) {
            ended_ = true;
            take(buffer.data(), lame_encode_flush(lame_, buffer.data(), room));
            break;
        }
        const int samples = static_cast<int>(n);
        if (wide_) {
            take(buffer.data(), lame_encode_buffer_int(lame_, left.data(), right.data(), samples,
                                                       buffer.data(), room));
        } else {
            std::copy_n(left.begin(), n, left16.begin());
            std::copy_n(right.begin(), n, right16.begin());
            take(buffer.data(), lame_encode_buffer(lame_, left16.data(), right16.data(), samples,
                                                   buffer.data(), room));
        }
        done += std::max(0L, std::min(at_ + n, plan_.ownTo) - std::max(at_, plan_.ownFrom));
        at_ += n;
    }
    return ok_;
}

bool PieceEncoder::carryOn(std::atomic<long>& done) {
    return encodeTo(at_ + kChunkFrames * mp3SamplesPerFrame(job_.sampleRate), done);
}

const Mp3Frame* PieceEncoder::frame(long index) const {
    if (const Mp3Frame* f = settledFrame(index)) {
        return f;
    }
    const long i = index - settledEnd();
    const std::vector<Mp3Frame>& more = reader_.frames();
    return i >= 0 && i < static_cast<long>(more.size()) ? &more[static_cast<std::size_t>(i)]
                                                        : nullptr;
}

long PieceEncoder::framesEnd() const {
    return settledEnd() + static_cast<long>(reader_.frames().size());
}

void PieceEncoder::settle() {
    settled_ = std::move(reader_.frames());
    reader_.frames().clear();
}

const Mp3Frame* PieceEncoder::settledFrame(long index) const {
    const long i = index - firstFrame_;
    return i >= 0 && i < static_cast<long>(settled_.size()) ? &settled_[static_cast<std::size_t>(i)]
                                                            : nullptr;
}

long PieceEncoder::settledEnd() const {
    return firstFrame_ + static_cast<long>(settled_.size());
}

int PieceEncoder::delay() const {
    return lame_ ? lame_get_encoder_delay(lame_) : 0;
}

int PieceEncoder::lowpass() const {
    return lame_ ? lame_get_lowpassfreq(lame_) : 0;
}

// Piece `from` hands over to the next piece at the first frame of a run where both encoded
// alike with their reservoirs alike too: from there on the two encoders are in step, so the
// joined stream is the one long encode. Failing that, once it has carried on for kPatience
// frames, at the first run where they only sound alike, with its reservoir fitting (the joined
// file then differs from one long encode for a few frames); failing that, where the reservoir
// fits. It takes over within the next piece's own part, before that piece's own hand-over; once
// `from` has carried on past it, the piece after is looked at instead.
bool findHandover(const std::vector<PieceEncoder*>& pieces, std::size_t from,
                  const std::vector<long>& starts, long& first, Handover& found) {
    const PieceEncoder& own = *pieces[from];
    // Past the last candidate frame in piece `to`.
    auto candidatesEnd = [&](std::size_t to) {
        const long settled = pieces[to]->settledEnd() - kAlike + 1;
        return to + 1 == pieces.size() ? settled : std::min(settled, starts[to + 1]);
    };
    std::size_t to = from + 1;
    while (to < pieces.size() && first >= candidatesEnd(to)) {
        ++to;
    }
    if (to < pieces.size()) {
        const PieceEncoder& next = *pieces[to];
        first = std::max(first, starts[to]);
        const long end = std::min(candidatesEnd(to), own.framesEnd() - kAlike + 1);
        for (; first < end; ++first) {
            if (!reservoirFits(own.frame(first), next.settledFrame(first))) {
                continue;
            }
            long alike = 0;
            bool sameReservoir = true;
            for (; alike < kAlike; ++alike) {
                const Mp3Frame& a = *own.frame(first + alike);
                const Mp3Frame& b = *next.settledFrame(first + alike);
                if (!sameSound(a, b)) {
                    break;
                }
                sameReservoir = sameReservoir && a.mainDataBegin == b.mainDataBegin;
            }
            if (alike == kAlike && sameReservoir) {
                found = {to, first, true, true};
                return true;
            }
            if (found.to == 0 || (alike == kAlike && !found.alike)) {
                found = {to, first, alike == kAlike, false};
            }
        }
    }
    return found.to != 0 && own.framesEnd() - own.settledEnd() >= kPatience;
}

bool joinPieces(const std::vector<PieceEncoder*>& pieces, const std::vector<Handover>& handovers,
                Mp3FramePacker& packer) {
    std::size_t piece = 0;
    long frame = 0;
    for (;;) {
        const Handover& next = handovers[piece];
        const long end = next.to != 0 ? next.frame : pieces[piece]->framesEnd();
        for (; frame < end; ++frame) {
            const Mp3Frame* f = pieces[piece]->frame(frame);
            if (!f || !packer.add(*f)) {
                return false;
            }
        }
        if (next.to == 0) {
            return true;
        }
        piece = next.to;
    }
}

}  // namespace lumivox::tools
