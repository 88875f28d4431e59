#include "tools/mp3/mp3length.h"

#include <string_view>

#include "tools/mp3/mp3frames.h"

namespace lumivox::tools {
namespace {

constexpr std::size_t kLameDelayPadding = 21;
constexpr std::size_t kLameTagCrc = 34;
constexpr std::size_t kLameSize = 36;

std::uint32_t be32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v = v << 8 | static_cast<unsigned char>(s[at + i]);
    }
    return v;
}

// Where the LAME extension starts, or 0.
std::size_t lameOffset(const std::string& frame, std::uint64_t* frames, int* samplesPerFrame) {
    if (frame.size() < 4) {
        return 0;
    }
    const auto header = parseMp3Header(be32(frame, 0));
    if (!header) {
        return 0;
    }
    const std::size_t xing = 4 + static_cast<std::size_t>(header->sideInfoSize);
    if (frame.size() < xing + 8 ||
        (frame.compare(xing, 4, "Info") != 0 && frame.compare(xing, 4, "Xing") != 0)) {
        return 0;
    }
    const std::uint32_t flags = be32(frame, xing + 4);
    if (!(flags & 1)) {
        return 0;
    }
    *frames = be32(frame, xing + 8);
    *samplesPerFrame = header->samples;
    const std::size_t lame = xing + 8 + 4 * ((flags & 1) + (flags >> 1 & 1) + (flags >> 3 & 1)) +
                             ((flags & 4) ? 100 : 0);
    return lame + kLameSize <= frame.size() ? lame : 0;
}

}  // namespace

std::uint64_t Mp3Length::decoded() const {
    const std::uint64_t all = frames * static_cast<std::uint64_t>(samplesPerFrame);
    const auto trimmed = static_cast<std::uint64_t>(delay + padding);
    return all > trimmed ? all - trimmed : 0;
}

std::optional<Mp3Length> readMp3Length(const std::string& frame) {
    Mp3Length length;
    const std::size_t lame = lameOffset(frame, &length.frames, &length.samplesPerFrame);
    if (lame == 0) {
        return std::nullopt;
    }
    const std::uint32_t dp = static_cast<unsigned char>(frame[lame + kLameDelayPadding]) << 16 |
                             static_cast<unsigned char>(frame[lame + kLameDelayPadding + 1]) << 8 |
                             static_cast<unsigned char>(frame[lame + kLameDelayPadding + 2]);
    length.delay = static_cast<int>(dp >> 12);
    length.padding = static_cast<int>(dp & 0xfff);
    return length;
}

bool patchDecodedLength(std::string& frame, std::uint64_t samples) {
    const auto length = readMp3Length(frame);
    if (!length) {
        return false;
    }
    const std::uint64_t all = length->frames * static_cast<std::uint64_t>(length->samplesPerFrame);
    const std::uint64_t slack = 2 * static_cast<std::uint64_t>(length->samplesPerFrame);
    const std::uint64_t current = length->decoded();
    const std::uint64_t moved = current > samples ? current - samples : samples - current;
    if (all < samples + static_cast<std::uint64_t>(length->delay) || moved > slack) {
        return false;
    }
    const std::uint64_t padding = all - samples - static_cast<std::uint64_t>(length->delay);
    if (padding > 0xfff) {
        return false;
    }
    std::uint64_t frames = 0;
    int spf = 0;
    const std::size_t lame = lameOffset(frame, &frames, &spf);
    const std::uint32_t dp =
        static_cast<std::uint32_t>(length->delay) << 12 | static_cast<std::uint32_t>(padding);
    frame[lame + kLameDelayPadding] = static_cast<char>(dp >> 16);
    frame[lame + kLameDelayPadding + 1] = static_cast<char>(dp >> 8);
    frame[lame + kLameDelayPadding + 2] = static_cast<char>(dp);
    const std::uint16_t crc = crc16(std::string_view(frame).substr(0, lame + kLameTagCrc));
    frame[lame + kLameTagCrc] = static_cast<char>(crc >> 8);
    frame[lame + kLameTagCrc + 1] = static_cast<char>(crc);
    return true;
}

std::uint64_t resampledLength(std::uint64_t samples, int fromRate, int toRate) {
    if (fromRate <= 0 || toRate <= 0 || fromRate == toRate) {
        return samples;
    }
    const auto to = static_cast<std::uint64_t>(toRate);
    const auto from = static_cast<std::uint64_t>(fromRate);
    return (samples * to + from - 1) / from;
}

}  // namespace lumivox::tools
