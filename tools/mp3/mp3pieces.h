#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/mp3/mp3frames.h"
#include "tools/mp3/parallelmp3.h"

struct lame_global_struct;

namespace lumivox::tools {

// Where one piece of the encode starts, in input samples, and the part it stands for.
struct PiecePlan {
    long from = 0;     // first sample fed
    long to = 0;       // fed up to here before its join is looked for; the input's end for the last
    long ownFrom = 0;  // the part counted as progress
    long ownTo = 0;
    long ownFirstFrame = 0;  // the whole encode's number of the first frame it stands for
    bool last = false;
};

// Cuts an input of about `samples` samples into pieces cut at starts[k] (MP3 frames): each piece
// is fed from some frames early, so its encoder has settled by the frames kept, and on some past
// its end, where the next one may take over.
std::vector<PiecePlan> planPieces(const Mp3Job& job, long samples, const std::vector<long>& starts);

// Fills left and right with input samples [at, at + n); returns how many it gave, fewer at the
// end of the input, -1 on an error.
using SampleSource = std::function<long(long at, long n, std::int32_t* left, std::int32_t* right)>;

// One piece's LAME encoder, set as ffmpeg's libmp3lame encoder sets it. It stays open after the
// piece's planned end, so that when its join cannot be made it carries on into the next piece.
class PieceEncoder {
  public:
    // `wide`: the samples are left-aligned 32-bit ones, else 16-bit.
    PieceEncoder(const Mp3Job& job, SampleSource source, bool wide, const PiecePlan& plan);
    ~PieceEncoder();
    PieceEncoder(const PieceEncoder&) = delete;
    PieceEncoder& operator=(const PieceEncoder&) = delete;

    // Feeds the input up to sample `end` (or its end), counting the piece's own part into `done`;
    // at the input's end the encoder is flushed. False on an error or when the run is ended.
    bool encodeTo(long end, std::atomic<long>& done);
    // Feeds a little more, when no hand-over was found in what it has.
    bool carryOn(std::atomic<long>& done);
    bool inputEnded() const { return ended_; }
    bool ok() const { return ok_; }

    // The whole encode's frame `index` as this piece encoded it; nullptr when it has none there.
    const Mp3Frame* frame(long index) const;
    long framesEnd() const;
    // From here on, frames go apart from those encoded so far, which other threads may then read
    // through settledFrame() while this one goes on.
    void settle();
    const Mp3Frame* settledFrame(long index) const;
    long settledEnd() const;

    int delay() const;
    int lowpass() const;
    long readMilliseconds() const { return readMicroseconds_ / 1000; }

  private:
    bool take(const unsigned char* bytes, int n);

    const Mp3Job& job_;
    SampleSource source_;
    bool wide_;
    PiecePlan plan_;
    long firstFrame_;
    long at_;
    lame_global_struct* lame_ = nullptr;
    Mp3FrameReader reader_;
    std::vector<Mp3Frame> settled_;
    bool ended_ = false;
    bool ok_ = true;
    long readMicroseconds_ = 0;
};

// How one piece hands over to a later one.
struct Handover {
    std::size_t to = 0;  // the piece taking over; 0: none, the piece runs to the end
    long frame = 0;      // the first frame taken from it
    bool alike = false;  // in a run of frames both encoded alike, else where its reservoir fits
    bool sameReservoir = false;  // ... with their reservoirs alike too: one stream from there on
};

// Looks for piece `from`'s hand-over to the pieces after it among the frames [first, ...) that
// `from` has and the later pieces have settled; `first` moves past the frames looked at. True when
// the hand-over in `found` is final; a lesser one is kept there while the piece may still carry
// on to look for a better one.
bool findHandover(const std::vector<PieceEncoder*>& pieces, std::size_t from,
                  const std::vector<long>& starts, long& first, Handover& found);

// Lays the frames out as one stream, following the hand-overs from the first piece; false when a
// frame does not fit.
bool joinPieces(const std::vector<PieceEncoder*>& pieces, const std::vector<Handover>& handovers,
                Mp3FramePacker& packer);

}  // namespace lumivox::tools
