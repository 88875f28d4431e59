#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivox::tools {

// The facts of a plain 16-bit PCM WAV that ffmpeg's "-i" report shows.
struct WavFacts {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::uint64_t frames = 0;  // samples per channel
    std::uint64_t fileSize = 0;
};

// Reads the 44-byte header sox writes for 16-bit mono or stereo: RIFF, a 16-byte "fmt " chunk of
// format 1, then "data" running to the end of the file. Anything else (extensible formats, extra
// chunks, sizes that disagree with the file) is nullopt, for ffmpeg to read.
std::optional<WavFacts> readPlainWavHeader(std::string_view header, std::uint64_t fileSize);

// What "ffmpeg -hide_banner -i tmp.wav" prints for such a file:
// The first bitrate is the whole file's over the length, as ffmpeg works it out.
//   Guessed Channel Layout for Input Stream #0.0 : stereo
//   Input #0, wav, from 'tmp.wav':
//     Duration: 00:03:00.00, bitrate: 1411 kb/s
//     Stream #0:0: Audio: pcm_s16le ([1][0][0][0] / 0x0001), 44100 Hz, stereo, s16, 1411 kb/s
//   At least one output file must be specified
std::string wavProbeReport(const WavFacts& facts, std::string_view path);

// ffmpeg's "Duration: " clock: microseconds rounded to the nearest, then cut to hundredths after
// adding half of one ("00:03:25.48").
std::string ffmpegDuration(std::uint64_t frames, std::uint32_t sampleRate);
// ffmpeg's "bitrate: " of an input: the whole file's bits over its length, in kbit/s.
std::uint64_t ffmpegBitrateKbps(std::uint64_t fileSize, std::uint64_t frames,
                                std::uint32_t sampleRate);

// "-i x.wav" alone: prints the report and returns ffmpeg's status 1 when the file is a plain WAV
// as above; nullopt (nothing printed) when ffmpeg has to look.
std::optional<int> answerWavProbe(const std::vector<std::string>& args);

}  // namespace lumivox::tools
