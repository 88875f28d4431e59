#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/loudness/loudness.h"

namespace lumivox::tools {

// sox.exe's decode step, "in.flac tmp.wav", for a 16-bit FLAC of one or two channels: decoded
// with libFLAC in `pieces` spans side by side into the WAV sox writes, byte for byte (the 44-byte
// header, then the samples). nullopt (no file left) for anything else or any trouble, for sox to
// do; otherwise 0, or 128+signal when the run was ended.
std::optional<int> decodeFlacToWav(const std::vector<std::string>& args, int pieces);

// With LUMIVOX_LOUDNESS set, the same decode also measures the FLAC's loudness and keeps it in
// the work folder (profilePathOf), unless it is kept there already.

// The loudness of a FLAC libFLAC reads (any bit depth), decoded in `pieces` spans side by side.
std::optional<LoudnessProfile> measureFlac(const std::string& input, int pieces);

// The 44-byte header of a 16-bit PCM WAV of `frames` samples per channel.
std::string wavHeader(long long frames, int channels, long sampleRate);

}  // namespace lumivox::tools
