#include "tools/mp3/mp3frames.h"

#include <algorithm>
#include <array>

namespace lumivox::tools {
namespace {

constexpr std::array<int, 16> kRatesMpeg1 = {0,   32,  40,  48,  56,  64,  80,  96,
                                             112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kRatesMpeg2 = {0,  8,  16, 24,  32,  40,  48,  56,
                                             64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> kSampleRates = {44100, 48000, 32000};

// The Xing header ("Info", flags, frames, bytes, 100-entry seek table, quality) and the LAME
// extension after it, byte offsets from the extension's start.
constexpr std::size_t kXingSize = 120;
constexpr std::size_t kLameEncoder = 0;  // 9 characters: "LAME3.100"
constexpr std::size_t kLameRevisionMethod = 9;
constexpr std::size_t kLameLowpass = 10;       // in 100 Hz
constexpr std::size_t kLameBitrate = 20;       // kbit/s
constexpr std::size_t kLameDelayPadding = 21;  // 12 bits each
constexpr std::size_t kLameMusicLength = 28;   // bytes, Info frame included
constexpr std::size_t kLameMusicCrc = 32;
constexpr std::size_t kLameTagCrc = 34;  // over everything before it
constexpr std::size_t kLameSize = 36;

std::uint32_t be32(std::string_view s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

void putBe32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
    }
}

unsigned readBits(std::string_view s, std::size_t bit, int count) {
    unsigned v = 0;
    for (int i = 0; i < count; ++i, ++bit) {
        const auto byte = static_cast<unsigned char>(s[bit / 8]);
        v = v << 1 | ((byte >> (7 - bit % 8)) & 1u);
    }
    return v;
}

// main_data_begin is the first 9 (MPEG-1) or 8 bits of the side information.
void writeMainDataBegin(std::string& frame, bool mpeg1, int value) {
    auto* p = reinterpret_cast<unsigned char*>(frame.data() + 4);
    if (mpeg1) {
        p[0] = static_cast<unsigned char>(value >> 1);
        p[1] = static_cast<unsigned char>((p[1] & 0x7f) | (value & 1) << 7);
    } else {
        p[0] = static_cast<unsigned char>(value);
    }
}

// Sum of part2_3_length over granules and channels: the frame's main data, in bits.
std::size_t mainDataBits(std::string_view sideInfo, const Mp3Header& h) {
    const bool mono = h.channels == 1;
    std::size_t bit = h.mpeg1 ? 9 + (mono ? 5 : 3) + 4 * static_cast<std::size_t>(h.channels)
                              : 8 + (mono ? 1 : 2);
    const int entry = h.mpeg1 ? 59 : 63;
    const int granules = h.mpeg1 ? 2 : 1;
    std::size_t total = 0;
    for (int i = 0; i < granules * h.channels; ++i, bit += static_cast<std::size_t>(entry)) {
        total += readBits(sideInfo, bit, 12);
    }
    return total;
}

}  // namespace

std::optional<Mp3Header> parseMp3Header(std::uint32_t bits) {
    const unsigned version = bits >> 19 & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const unsigned rateIndex = bits >> 12 & 15;
    const unsigned srIndex = bits >> 10 & 3;
    if ((bits & 0xffe00000u) != 0xffe00000u || version == 1 || (bits >> 17 & 3) != 1 ||
        rateIndex == 0 || rateIndex == 15 || srIndex == 3 || (bits >> 16 & 1) == 0) {
        return std::nullopt;
    }
    Mp3Header h;
    h.bits = bits;
    h.mpeg1 = version == 3;
    h.sampleRate = kSampleRates[srIndex] >> (h.mpeg1 ? 0 : version == 2 ? 1 : 2);
    h.bitrateKbps = (h.mpeg1 ? kRatesMpeg1 : kRatesMpeg2)[rateIndex];
    h.channels = (bits >> 6 & 3) == 3 ? 1 : 2;
    h.samples = mp3SamplesPerFrame(h.sampleRate);
    h.size = h.samples / 8 * h.bitrateKbps * 1000 / h.sampleRate + static_cast<int>(bits >> 9 & 1);
    h.sideInfoSize = h.mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    h.maxBegin = h.mpeg1 ? 511 : 255;
    return h;
}

bool Mp3FrameReader::feed(std::string_view bytes) {
    pending_.append(bytes);
    std::size_t at = 0;
    while (!bad_ && pending_.size() - at >= 4) {
        const auto h = parseMp3Header(be32(pending_, at));
        const auto fixed = static_cast<std::size_t>(h ? 4 + h->sideInfoSize : 0);
        if (!h || static_cast<std::size_t>(h->size) < fixed) {
            bad_ = true;
            break;
        }
        if (pending_.size() - at < static_cast<std::size_t>(h->size)) {
            break;
        }
        Mp3Frame f;
        f.header = *h;
        f.headerAndSideInfo = pending_.substr(at, fixed);
        const std::string_view side = std::string_view(f.headerAndSideInfo).substr(4);
        f.mainDataBegin = static_cast<int>(h->mpeg1 ? readBits(side, 0, 9) : readBits(side, 0, 8));
        const std::size_t start = payload_.size();
        payload_.append(pending_, at + fixed, static_cast<std::size_t>(h->size) - fixed);
        const std::size_t bits = mainDataBits(side, *h);
        const std::size_t length = (bits + 7) / 8;
        const auto begin = static_cast<std::size_t>(f.mainDataBegin);
        if (begin > start || start - begin + length > payload_.size()) {
            bad_ = true;
            break;
        }
        f.mainData = payload_.substr(start - begin, length);
        // What follows the last bit is filler that may differ between two encodes of one sound.
        if (bits % 8 != 0) {
            f.mainData.back() = static_cast<char>(static_cast<unsigned char>(f.mainData.back()) &
                                                  (0xff00u >> (bits % 8)));
        }
        frames_.push_back(std::move(f));
        at += static_cast<std::size_t>(h->size);
    }
    pending_.erase(0, at);
    return !bad_;
}

std::optional<std::vector<Mp3Frame>> unpackMp3Frames(std::string_view stream) {
    Mp3FrameReader reader;
    if (!reader.feed(stream) || !reader.atFrameEnd()) {
        return std::nullopt;
    }
    return std::move(reader.frames());
}

bool sameSound(const Mp3Frame& a, const Mp3Frame& b) {
    const std::string& x = a.headerAndSideInfo;
    const std::string& y = b.headerAndSideInfo;
    if (x.size() != y.size() || x.size() < 6 || a.mainData != b.mainData ||
        x.compare(0, 4, y, 0, 4) != 0) {
        return false;
    }
    // main_data_begin: the first 9 (MPEG-1) or 8 bits of the side information.
    const unsigned mask = a.header.mpeg1 ? 0x7fu : 0xffu;
    const unsigned start = a.header.mpeg1 ? 6 : 5;
    return (static_cast<unsigned char>(x[5]) & mask) == (static_cast<unsigned char>(y[5]) & mask) &&
           x.compare(start, std::string::npos, y, start, std::string::npos) == 0;
}

int Mp3FramePacker::room(int maxBegin) const {
    return static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(maxBegin), payloadEnd_ - dataEnd_));
}

bool Mp3FramePacker::add(const Mp3Frame& frame) {
    const int back = room(frame.header.maxBegin);
    const std::size_t area =
        static_cast<std::size_t>(frame.header.size) - frame.headerAndSideInfo.size();
    if (frame.mainData.size() > area + static_cast<std::size_t>(back)) {
        return false;
    }
    offsets_.push_back(out_.size());
    std::string head = frame.headerAndSideInfo;
    writeMainDataBegin(head, frame.header.mpeg1, back);
    out_ += head;
    areas_.push_back({payloadEnd_, out_.size(), area});
    out_.append(area, '\0');
    payloadEnd_ += area;

    // Copy the main data into the areas it spans, from `back` bytes before this frame's own.
    std::uint64_t pos = payloadEnd_ - area - static_cast<std::uint64_t>(back);
    std::size_t a = areas_.size() - 1;
    while (a > 0 && areas_[a].payloadStart > pos) {
        --a;
    }
    std::size_t copied = 0;
    while (copied < frame.mainData.size()) {
        const Area& at = areas_[a];
        const std::size_t inArea = static_cast<std::size_t>(pos - at.payloadStart);
        const std::size_t n = std::min(at.size - inArea, frame.mainData.size() - copied);
        out_.replace(at.fileOffset + inArea, n, frame.mainData, copied, n);
        copied += n;
        pos += n;
        ++a;
    }
    dataEnd_ = pos;
    return true;
}

std::uint16_t crc16(std::string_view bytes, std::uint16_t crc) {
    // A byte at a time: the music CRC runs over the whole file while the user waits.
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned byte = 0; byte < 256; ++byte) {
            unsigned value = byte;
            for (int i = 0; i < 8; ++i) {
                value = value & 1 ? (value >> 1) ^ 0xA001 : value >> 1;
            }
            t[byte] = static_cast<std::uint16_t>(value);
        }
        return t;
    }();
    for (const char c : bytes) {
        crc = static_cast<std::uint16_t>(crc >> 8 ^
                                         table[(crc ^ static_cast<unsigned char>(c)) & 0xff]);
    }
    return crc;
}

std::string mp3InfoFrame(const std::string& frames, const std::vector<std::size_t>& offsets,
                         const Mp3InfoFacts& facts) {
    const auto first = frames.size() >= 4 ? parseMp3Header(be32(frames, 0)) : std::nullopt;
    if (!first || offsets.empty()) {
        return {};
    }
    // The smallest bitrate from the stream's own up that holds the tag.
    std::uint32_t bits = (first->bits & 0xffff0ccfu) | 0x00010000u;  // no CRC, padding or ext.
    const auto base = static_cast<std::size_t>(4 + first->sideInfoSize);
    const std::size_t needed = base + kXingSize + kLameSize;
    std::optional<Mp3Header> h;
    for (std::uint32_t index = first->bits >> 12 & 15; index < 15; ++index) {
        h = parseMp3Header((bits & ~0xf000u) | index << 12);
        if (h && static_cast<std::size_t>(h->size) >= needed) {
            break;
        }
    }
    if (!h || static_cast<std::size_t>(h->size) < needed) {
        return {};
    }
    std::string tag(static_cast<std::size_t>(h->size), '\0');
    putBe32(tag, 0, h->bits);
    tag.replace(base, 4, facts.vbr ? "Xing" : "Info");
    putBe32(tag, base + 4, 0x0f);  // frames, bytes, seek table, quality
    const std::uint64_t total = tag.size() + frames.size();
    putBe32(tag, base + 8, static_cast<std::uint32_t>(offsets.size()));
    putBe32(tag, base + 12, static_cast<std::uint32_t>(total));
    for (std::size_t i = 1; i < 100; ++i) {
        const std::uint64_t at = tag.size() + offsets[i * offsets.size() / 100];
        tag[base + 16 + i] = static_cast<char>(std::min<std::uint64_t>(255, 256 * at / total));
    }
    const std::size_t lame = base + kXingSize;
    tag.replace(lame + kLameEncoder, std::min<std::size_t>(9, facts.encoder.size()), facts.encoder,
                0, 9);
    // Revision 0, constant bitrate (1) or LAME's default VBR (4), which names its lowest bitrate.
    tag[lame + kLameRevisionMethod] = facts.vbr ? 4 : 1;
    tag[lame + kLameLowpass] = static_cast<char>(std::min(255, (facts.lowpassHz + 50) / 100));
    tag[lame + kLameBitrate] =
        static_cast<char>(facts.vbr ? (first->mpeg1 ? kRatesMpeg1 : kRatesMpeg2)[1]
                                    : std::min(255, first->bitrateKbps));
    const std::uint64_t decoded = offsets.size() * static_cast<std::uint64_t>(first->samples);
    const std::uint64_t padding =
        decoded - std::min<std::uint64_t>(decoded, facts.samples + facts.encoderDelay);
    const auto delayPadding = static_cast<std::uint32_t>(
        (static_cast<unsigned>(facts.encoderDelay) & 0xfff) << 12 | (padding & 0xfff));
    tag[lame + kLameDelayPadding] = static_cast<char>(delayPadding >> 16);
    tag[lame + kLameDelayPadding + 1] = static_cast<char>(delayPadding >> 8);
    tag[lame + kLameDelayPadding + 2] = static_cast<char>(delayPadding);
    putBe32(tag, lame + kLameMusicLength, static_cast<std::uint32_t>(total));
    const std::uint16_t music = crc16(frames);
    tag[lame + kLameMusicCrc] = static_cast<char>(music >> 8);
    tag[lame + kLameMusicCrc + 1] = static_cast<char>(music);
    const std::uint16_t own = crc16(std::string_view(tag).substr(0, lame + kLameTagCrc));
    tag[lame + kLameTagCrc] = static_cast<char>(own >> 8);
    tag[lame + kLameTagCrc + 1] = static_cast<char>(own);
    return tag;
}

}  // namespace lumivox::tools
