#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::tools {

// Samples [start, end) of the input, at its own rate.
struct SampleSpan {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// The span an MP3 command asks for, in ffmpeg's own syntax:
//   -i image.flac ... -af atrim=start_sample=441000:end_sample=882000 ... out.mp3
// nullopt when there is no "-af", or it is anything else, or end is not past start.
std::optional<SampleSpan> parseAtrim(const std::vector<std::string>& args);

}  // namespace lumivox::tools
