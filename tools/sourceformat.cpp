#include "tools/sourceformat.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

namespace lumivox::tools {
namespace {

std::uint64_t le(std::string_view s, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

std::uint64_t be(std::string_view s, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

std::string readHead(const std::string& path, std::size_t size, off_t at) {
    std::string head(size, '\0');
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    const ssize_t n = pread(fd, head.data(), size, at);
    close(fd);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

// RIFF/RF64: "RIFF" size "WAVE", then chunks of id, 32-bit size, data padded to even;
// "fmt ": format, channels, rate, bytes a second, block size, bits.
std::optional<PcmShape> riffShape(std::string_view h) {
    PcmShape shape;
    std::uint64_t blockAlign = 0;
    std::optional<std::uint64_t> rf64Data;
    for (std::size_t at = 12; at + 8 <= h.size();) {
        const std::string_view id = h.substr(at, 4);
        const std::uint64_t size = le(h, at + 4, 4);
        if (id == "fmt " && at + 8 + 16 <= h.size()) {
            shape.channels = static_cast<int>(le(h, at + 8 + 2, 2));
            shape.rate = static_cast<long>(le(h, at + 8 + 4, 4));
            blockAlign = le(h, at + 8 + 12, 2);
            shape.bits = static_cast<int>(le(h, at + 8 + 14, 2));
        } else if (id == "ds64" && at + 8 + 24 <= h.size()) {
            rf64Data = le(h, at + 8 + 8, 8);
        } else if (id == "data") {
            const std::uint64_t data = size == 0xffffffffu && rf64Data ? *rf64Data : size;
            if (blockAlign == 0) {
                return std::nullopt;
            }
            shape.frames = data / blockAlign;
            return shape;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// "FORM" size "AIFF", chunks of id, 32-bit big-endian size; COMM: channels, frames, bits, rate
// (an 80-bit float).
std::optional<PcmShape> aiffShape(std::string_view h) {
    for (std::size_t at = 12; at + 8 <= h.size();) {
        const std::uint64_t size = be(h, at + 4, 4);
        if (h.substr(at, 4) == "COMM" && at + 8 + 18 <= h.size()) {
            PcmShape shape;
            shape.channels = static_cast<int>(be(h, at + 8, 2));
            shape.frames = be(h, at + 8 + 2, 4);
            shape.bits = static_cast<int>(be(h, at + 8 + 6, 2));
            const auto exponent = static_cast<int>(be(h, at + 8 + 8, 2) & 0x7fff) - 16383;
            const std::uint64_t mantissa = be(h, at + 8 + 10, 8);
            shape.rate =
                exponent >= 0 && exponent < 63 ? static_cast<long>(mantissa >> (63 - exponent)) : 0;
            return shape;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

}  // namespace

std::size_t leadingId3v2Size(std::string_view head) {
    if (head.size() < 10 || head.substr(0, 3) != "ID3") {
        return 0;
    }
    std::size_t size = 10;
    for (std::size_t i = 6; i < 10; ++i) {
        size += static_cast<std::size_t>(head[i] & 0x7f) << (7 * (9 - i));
    }
    return size + ((head[5] & 0x10) ? 10 : 0);
}

SourceFormat sniffFormat(std::string_view h) {
    if (h.size() < 12) {
        return SourceFormat::Unknown;
    }
    const std::string_view magic = h.substr(0, 4);
    const std::string_view kind = h.substr(8, 4);
    if (magic == "fLaC") {
        return SourceFormat::Flac;
    }
    if (magic == "MAC ") {
        return SourceFormat::Ape;
    }
    if (magic == "wvpk") {
        return SourceFormat::WavPack;
    }
    if (magic == "TTA1") {
        return SourceFormat::Tta;
    }
    if (magic == "tBaK") {
        return SourceFormat::Tak;
    }
    if ((magic == "RIFF" || magic == "RF64") && kind == "WAVE") {
        return SourceFormat::Wav;
    }
    if (magic == "FORM" && (kind == "AIFF" || kind == "AIFC")) {
        return SourceFormat::Aiff;
    }
    if (magic == "DSD ") {
        return SourceFormat::Dsf;
    }
    if (magic == "FRM8" && h.size() >= 16 && h.substr(12, 4) == "DSD ") {
        return SourceFormat::Dff;
    }
    if (h.substr(4, 4) == "ftyp") {
        return SourceFormat::Mp4;
    }
    return SourceFormat::Unknown;
}

SourceFormat sourceFormatOf(const std::string& path) {
    std::string head = readHead(path, 64, 0);
    // Taggers may stack more than one ID3v2 tag in front.
    off_t at = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t skip = leadingId3v2Size(head);
        if (skip == 0) {
            break;
        }
        at += static_cast<off_t>(skip);
        head = readHead(path, 64, at);
    }
    return sniffFormat(head);
}

const char* formatName(SourceFormat format) {
    static constexpr std::array<const char*, 11> kNames = {
        "unknown", "FLAC", "Monkey's Audio", "WavPack", "TTA",   "TAK",
        "MP4",     "WAV",  "AIFF",           "DSF",     "DSDIFF"};
    return kNames[static_cast<std::size_t>(format)];
}

std::optional<PcmShape> pcmShape(std::string_view head) {
    switch (sniffFormat(head)) {
        case SourceFormat::Wav:
            return riffShape(head);
        case SourceFormat::Aiff:
            return aiffShape(head);
        default:
            return std::nullopt;
    }
}

std::optional<std::uint64_t> statedPcmFrames(std::string_view head) {
    const auto shape = pcmShape(head);
    return shape ? std::optional(shape->frames) : std::nullopt;
}

}  // namespace lumivox::tools
