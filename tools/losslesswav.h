#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sourceformat.h"

namespace lumivox::tools {

// What ffprobe says of a source's first audio stream:
//   ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_fmt,
//     bits_per_raw_sample,bits_per_sample,sample_rate,channels,duration_ts,time_base
//     -of default=noprint_wrappers=1 in.ape
// prints
//   codec_name=ape
//   sample_fmt=s16p
//   sample_rate=44100
//   channels=2
//   bits_per_sample=0
//   time_base=1/44100
//   duration_ts=1323000
//   bits_per_raw_sample=16
struct ProbeFacts {
    std::string codec;  // empty: no audio stream
    std::string sampleFormat;
    int bits = 0;  // bits_per_raw_sample, else bits_per_sample; 0 when unknown
    long rate = 0;
    int channels = 0;
    std::optional<std::uint64_t> statedFrames;  // duration_ts at the stream's rate
};
ProbeFacts parseProbe(std::string_view text);
// Runs that ffprobe; empty facts when it cannot read the file.
ProbeFacts probeSource(const std::string& input, const std::string& adapterName);

// How the source becomes the work folder's WAV: ffmpeg's arguments, or why it is refused.
struct LosslessDecode {
    std::string refusal;  // empty: decode with `args`
    std::vector<std::string> args;
    long rate = 0;  // of the WAV
    std::optional<std::uint64_t> expectedFrames;
};
// AAC (and any other lossy codec) is refused. DSD becomes 24-bit PCM at 88.2 kHz, 176.4 kHz from
// DSD128 up, through a low-pass that keeps its ultrasonic noise out; other sources keep their
// rate and their depth (16 bits, else 24, or 32 for 32-bit integers). `headFrames` is what a WAV
// or AIFF header states, which ffprobe does not trust for a file cut short.
LosslessDecode planLosslessDecode(const ProbeFacts& probe, SourceFormat format,
                                  std::optional<std::uint64_t> headFrames, const std::string& input,
                                  const std::string& output);

// Why the decode is damaged: the first error ffmpeg printed, or anything the source's decoder
// (`codec`, ffprobe's name) printed, else a shortfall of more than 10 ms against the stated
// length; empty when whole.
//   "[ape @ 0x55d0] Error decoding frame" or "decoded 15.00 s of 30.00 s: the file is cut short"
std::string decodeDamage(std::string_view ffmpegText, std::uint64_t decodedFrames,
                         std::optional<std::uint64_t> expectedFrames, long rate,
                         std::string_view codec = {});

// The shape of a finished WAV (plain, extensible or RF64), from its header; nullopt when it is
// not one.
std::optional<PcmShape> wavShape(const std::string& path);

// sox.exe's decode step, "in.ape tmp.wav", for every lossless source other than a FLAC named
// .flac (and for such a FLAC too when it is named otherwise): ffmpeg decodes it by its content
// into the WAV. nullopt for a source that is none of them (an MP4 not named .m4a included), for
// sox to do. A lossy or damaged
// source fails with its reason on the last line and no WAV left, and the reason is noted for
// coder.exe, which then makes no MP3 of it.
std::optional<int> decodeLosslessToWav(const std::vector<std::string>& args,
                                       const std::string& adapterName);

}  // namespace lumivox::tools
