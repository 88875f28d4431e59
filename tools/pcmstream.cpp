#include "tools/pcmstream.h"

namespace lumivox::tools {

PcmStream::PcmStream(long capacityFrames, int channels, int width)
    : bytes_(static_cast<std::size_t>(capacityFrames) * static_cast<std::size_t>(channels) *
             static_cast<std::size_t>(width)),
      channels_(static_cast<std::size_t>(channels)),
      frameBytes_(static_cast<std::size_t>(channels) * static_cast<std::size_t>(width)) {}

bool PcmStream::append(std::string_view bytes) {
    if (bytes.size() > bytes_.size() - filled_) {
        return false;
    }
    std::memcpy(bytes_.data() + filled_, bytes.data(), bytes.size());
    filled_ += bytes.size();
    {
        const std::lock_guard lock(mutex_);
        frames_ = static_cast<long>(filled_ / frameBytes_);
    }
    arrived_.notify_all();
    return true;
}

void PcmStream::finish(bool ok) {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        ok_ = ok;
    }
    arrived_.notify_all();
}

long PcmStream::waitFor(long upTo) {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this, upTo] { return frames_ >= upTo || ended_; });
    return frames_;
}

bool PcmStream::ok() const {
    const std::lock_guard lock(mutex_);
    return ended_ && ok_;
}

long PcmStream::frames() const {
    const std::lock_guard lock(mutex_);
    return frames_;
}

}  // namespace lumivox::tools
