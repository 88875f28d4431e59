#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/mp3/mp3frames.h"
#include "tools/mp3/parallelmp3.h"

namespace lumivox::tools {

// One piece of the encode: the input samples it is fed and the part of them it stands for.
struct Piece {
    long from = 0;  // samples fed: [from, to), or to the input's end for the last piece
    long to = 0;
    long ownFrom = 0;  // the part counted as progress
    long ownTo = 0;
    long firstFrame = 0;  // the whole encode's number of the piece's first MP3 frame
    bool last = false;
    std::string mp3;
    bool ok = false;
    int delay = 0;
    int lowpass = 0;
};

// Cuts an input of about `samples` samples into pieces cut at starts[k] (MP3 frames): each piece
// is fed from some frames early, so its encoder has settled by the frames kept, and on some past
// its end, where the next one may take over.
std::vector<Piece> planPieces(const Mp3Job& job, long samples, const std::vector<long>& starts);

// Fills left and right with input samples [at, at + n); returns how many it gave, fewer at the
// end of the input, -1 on an error.
using SampleSource = std::function<long(long at, long n, std::int32_t* left, std::int32_t* right)>;

// Encodes the piece with LAME as ffmpeg's libmp3lame encoder would; `wide`: the samples are
// left-aligned 32-bit ones, else 16-bit. Counts the part it stands for into `done` as it goes.
void encodePiece(const Mp3Job& job, const SampleSource& source, bool wide, Piece& piece,
                 std::atomic<long>& done);

// Joins the pieces' frames into one stream; false when they do not join.
bool joinPieces(const std::vector<Piece>& pieces, const std::vector<long>& starts,
                Mp3FramePacker& packer);

}  // namespace lumivox::tools
