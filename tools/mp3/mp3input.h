#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "tools/flacreader.h"
#include "tools/mp3/parallelmp3.h"
#include "tools/pcmstream.h"

namespace lumivox::tools {

// What ffmpeg prints of a FLAC input:
//   Input #0, flac, from 'song.flac':
//     Duration: 00:03:00.00, start: 0.000000, bitrate: 99 kb/s
//     Stream #0:0: Audio: flac, 44100 Hz, stereo, s16
std::string flacReport(const FlacReader& flac, const std::string& path);
// The same for another source read from the WAV sox.exe decoded it into:
//   Input #0, ape, from 'song.ape':
//     Duration: 00:03:00.00, start: 0.000000, bitrate: 612 kb/s
//     Stream #0:0: Audio: ape, 44100 Hz, stereo, s16
std::string inputReport(const std::string& demuxer, const std::string& path, std::uint64_t frames,
                        std::uint32_t rate, int channels, int bits);

// ffmpeg decoding the whole input for all pieces, resampled and mixed as the plain encode would
// have it; its report on the input is printed once it has one.
class FfmpegDecode {
  public:
    FfmpegDecode(const Mp3Job& job, long capacity, bool wide, const char* adapterName);
    ~FfmpegDecode() { wait(); }
    FfmpegDecode(const FfmpegDecode&) = delete;
    FfmpegDecode& operator=(const FfmpegDecode&) = delete;

    // Samples [at, at + n) of the first and last channel, waiting for them; fewer at the end.
    long read(long at, long n, std::int32_t* left, std::int32_t* right);
    // Once, when there is one: what ffmpeg said of the input, up to its own output.
    std::string takeReport(bool ended);
    void wait();
    bool ok() const { return pcm_.ok(); }
    long frames() const { return pcm_.frames(); }

  private:
    PcmStream pcm_;
    bool wide_;
    std::mutex logMutex_;
    std::string log_;
    bool reported_ = false;
    std::thread thread_;
};

}  // namespace lumivox::tools
