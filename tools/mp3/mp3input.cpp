#include "tools/mp3/mp3input.h"

#include <sys/stat.h>

#include <algorithm>

#include "tools/runtool.h"
#include "tools/wavprobe.h"

namespace lumivox::tools {

std::string flacReport(const FlacReader& flac, const std::string& path) {
    struct stat st {};
    const auto size = stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    const auto frames = static_cast<std::uint64_t>(flac.frames());
    const auto rate = static_cast<std::uint32_t>(flac.sampleRate());
    const int bits = flac.bits();
    std::string format = bits > 16 ? "s32" : "s16";
    if (bits != 16 && bits != 32) {
        format += " (" + std::to_string(bits) + " bit)";
    }
    return "Input #0, flac, from '" + path + "':\n  Duration: " + ffmpegDuration(frames, rate) +
           ", start: 0.000000, bitrate: " + std::to_string(ffmpegBitrateKbps(size, frames, rate)) +
           " kb/s\n  Stream #0:0: Audio: flac, " + std::to_string(rate) + " Hz, " +
           (flac.channels() == 1 ? "mono" : "stereo") + ", " + format + "\n";
}

FfmpegDecode::FfmpegDecode(const Mp3Job& job, long capacity, bool wide, const char* adapterName)
    : pcm_(capacity, job.channels, wide ? 4 : 2), wide_(wide) {
    thread_ = std::thread([this, job, adapterName] {
        ToolRun decode;
        decode.program = "ffmpeg";
        decode.args = {"-hide_banner", "-nostdin", "-nostats", "-i", job.input, "-vn"};
        if (job.span) {
            // The track's span at the input's own rate, before it is resampled.
            decode.args.insert(decode.args.end(), {"-af", tooljob::atrimFilter(*job.span)});
        }
        decode.args.insert(decode.args.end(), {"-ar", std::to_string(job.sampleRate), "-ac",
                                               std::to_string(job.channels), "-f",
                                               wide_ ? "s32le" : "s16le", "pipe:1"});
        const bool ok = captureTool(
            decode, [this](std::string_view bytes) { return pcm_.append(bytes); },
            [this](std::string_view text) {
                const std::lock_guard lock(logMutex_);
                log_ += text;
            },
            adapterName);
        pcm_.finish(ok);
    });
}

long FfmpegDecode::read(long at, long n, std::int32_t* left, std::int32_t* right) {
    const long got = std::min(n, pcm_.waitFor(at + n) - at);
    const int last = pcm_.channels() - 1;
    for (long i = 0; i < got; ++i) {
        left[i] = wide_ ? pcm_.sample<std::int32_t>(at + i, 0) : pcm_.sample<short>(at + i, 0);
        right[i] =
            wide_ ? pcm_.sample<std::int32_t>(at + i, last) : pcm_.sample<short>(at + i, last);
    }
    return std::max(0L, got);
}

std::string FfmpegDecode::takeReport(bool ended) {
    const std::lock_guard lock(logMutex_);
    const std::size_t end = log_.find("Stream mapping:");
    if (reported_ || (end == std::string::npos && !ended)) {
        return {};
    }
    reported_ = true;
    return log_.substr(0, end);
}

void FfmpegDecode::wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace lumivox::tools
