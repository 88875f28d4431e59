#pragma once

#include <vector>

// How much the encode in pieces loses against one serial encode where the pieces are joined.
namespace lumivox::bench {

constexpr long kWindow = 1152;  // samples per channel: one MP3 frame at 44.1 kHz

// Where the pieces are cut, in samples of the input: frames * k / pieces for k = 1 .. pieces-1,
// frames counted as ceil(samples / 1152), as coder.exe cuts them.
std::vector<long> joinSamples(long samples, int pieces);

struct JoinQuality {
    long piecesExtra = 0;      // samples the pieces' decode has beyond the input's (or lacks)
    long serialExtra = 0;      // the same for the serial encode
    bool identical = false;    // both decodes the very same samples
    double worstNearJoin = 0;  // dB: largest (serial SNR - pieces SNR) over windows near a join
    double worstAnywhere = 0;  // the same over the whole file
};

// Windows of 1152 stereo samples against the original, from 40 frames before each join to 100
// after it (the pieces overlap there and the hand-over happens in that span). Windows of near
// silence (under -60 dBFS) are left out: their SNR says nothing of what one hears. Decodes of
// another length are compared as far as all three go.
JoinQuality compareJoins(const std::vector<short>& original, const std::vector<short>& serial,
                         const std::vector<short>& pieces, int pieceCount);

}  // namespace lumivox::bench
