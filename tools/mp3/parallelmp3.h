#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/mp3/span.h"

namespace lumivox::tools {

// The batch's MP3 encode, the one command coder.exe cuts into pieces:
//   -i in.flac -y -vn -ar 44100 -ab 128k -ac 2 out.mp3
// and a track of an album image, its span and tags before the output:
//   -i in.flac -y -vn -ar 44100 -ab 128k -ac 2 -af atrim=start_sample=S:end_sample=E
//      -metadata TITLE=Song ... out.mp3
// "-q:a 0" to "-q:a 9" before the output asks for LAME's VBR at that quality, as ffmpeg then
// ignores the bitrate.
struct Mp3Job {
    std::string input;
    std::string output;
    int sampleRate = 0;  // after the MP3 mapping: 12050 asks for 12000
    int kbps = 0;
    int channels = 0;
    std::optional<SampleSpan> span;  // of the input, at its own rate
    std::optional<int> vbrQuality;   // nullopt: constant bitrate
    double gainDb = 0;               // put on the samples before LAME (loudness)
};
std::optional<Mp3Job> parseMp3Job(const std::vector<std::string>& args);

// Where the pieces are cut, in MP3 frames: piece k stands for frames [starts[k], starts[k+1]).
std::vector<long> pieceStarts(long frames, int pieces);

struct Mp3Outcome {
    // nullopt (no file left) when the job is better done by plain ffmpeg; by then the decoder's
    // report and some progress may have been printed. Otherwise the exit status: 0, or
    // 128+signal when the run was ended.
    std::optional<int> status;
    std::string reason;  // why plain ffmpeg, or how the pieces went and where the time went
};

// Encodes the job on `pieces` threads; plain ffmpeg is left to do it when there is neither a FLAC
// that libFLAC reads nor the WAV sox.exe decoded another lossless source into, the input is
// under 20 seconds, or decoding fails.
Mp3Outcome encodeMp3InPieces(const Mp3Job& job, int pieces, const char* adapterName);

// When $LUMIVOX_PIECES_REPORT names a file, appends "<input>\t<pieces|plain>\t<reason>" to it.
void reportMp3Path(const std::string& input, bool pieces, const std::string& reason);

}  // namespace lumivox::tools
