#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

namespace lumivox::tools {

// Decoded audio arriving from the decoder while the encoders already read it: interleaved
// samples of `width` bytes in a buffer sized once, so what has arrived never moves.
class PcmStream {
  public:
    PcmStream(long capacityFrames, int channels, int width);

    // Decoder side. False when the audio would not fit.
    bool append(std::string_view bytes);
    void finish(bool ok);

    // Encoder side: waits until frames [0, upTo) have arrived or the stream has ended; returns
    // how many frames are in.
    long waitFor(long upTo);
    template <typename Sample>
    Sample sample(long frame, int channel) const {
        Sample s;
        std::memcpy(&s,
                    bytes_.data() + (static_cast<std::size_t>(frame) * channels_ +
                                     static_cast<std::size_t>(channel)) *
                                        sizeof(Sample),
                    sizeof s);
        return s;
    }
    int channels() const { return static_cast<int>(channels_); }
    // After finish(): whether all of it arrived, and how much.
    bool ok() const;
    long frames() const;

  private:
    std::vector<char> bytes_;
    std::size_t channels_;
    std::size_t frameBytes_;
    std::size_t filled_ = 0;  // decoder's own count
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    long frames_ = 0;
    bool ended_ = false;
    bool ok_ = false;
};

}  // namespace lumivox::tools
