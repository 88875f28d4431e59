#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the batch asks of coder.exe for one track of an album image, and how it is spelled on the
// command line. The batch writes it and the adapters read it through these functions alone, so
// the two sides cannot drift apart. Plain C++: the adapters use no Qt.
namespace lumivox::tooljob {

// Samples [start, end) of the input, at its own rate.
struct SampleSpan {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// Fields set over the source's tags, by Vorbis field name. The first of a name replaces the
// source's field, a repeat adds a value, an empty value removes the field.
using TagValues = std::vector<std::pair<std::string, std::string>>;

struct TrackJob {
    std::optional<SampleSpan> span;
    TagValues tags;
};

// ffmpeg's filter for a span: "atrim=start_sample=441000:end_sample=882000".
std::string atrimFilter(const SampleSpan& span);

// The arguments of a track, placed before the output in coder.exe's MP3 command:
//   -af atrim=start_sample=441000:end_sample=882000 -metadata TITLE=Song -metadata ARTIST=...
std::vector<std::string> trackArguments(const TrackJob& track);

// The span an MP3 command asks for:
//   -i image.flac ... -af atrim=start_sample=441000:end_sample=882000 ... out.mp3
// nullopt when there is no "-af", or it is anything else, or end is not past start.
std::optional<SampleSpan> parseAtrim(const std::vector<std::string>& args);

// Every "-metadata KEY=VALUE" of a command, in order, the key in upper case; pairs without a key
// are left out.
TagValues parseMetadata(const std::vector<std::string>& args);

// The command without its "-metadata" pairs: the tag writer applies them, not ffmpeg.
std::vector<std::string> withoutMetadata(const std::vector<std::string>& args);

// Where coder.exe writes a file before it renames it over `output`: a hidden name beside it that
// only this program uses ("<folder>/.lumivox-<hash of the name>.partial"), so a stopped run's
// leftover can be removed by its exact name and a user's own file is never taken for one. Its
// length is fixed, so it fits wherever the output's name fits.
std::string partialPath(const std::string& output);

}  // namespace lumivox::tooljob
