#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumivox::tools {

// What an Info frame (Xing header with the LAME extension) says of the stream's length.
struct Mp3Length {
    std::uint64_t frames = 0;
    int samplesPerFrame = 0;
    int delay = 0;
    int padding = 0;
    std::uint64_t decoded() const;  // what a gapless decoder gives
};
// nullopt when `frame` is no Info frame with a LAME extension and a frame count.
std::optional<Mp3Length> readMp3Length(const std::string& frame);

// Makes the Info frame say the stream decodes to exactly `samples` (per channel, at the MP3's
// rate): its padding, and the LAME tag's CRC. Left as it was (false) when that would move the
// end by more than two frames: the count it was given is then not this stream's.
bool patchDecodedLength(std::string& frame, std::uint64_t samples);

// The sample count after ffmpeg's resampler: `samples` at `fromRate` become this many at
// `toRate` (it rounds the end up).
std::uint64_t resampledLength(std::uint64_t samples, int fromRate, int toRate);

}  // namespace lumivox::tools
