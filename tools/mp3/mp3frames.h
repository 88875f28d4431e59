#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivox::tools {

// Samples per channel in one Layer III frame: 1152 for MPEG-1 (32 kHz and up), else 576.
constexpr int mp3SamplesPerFrame(int sampleRate) {
    return sampleRate >= 32000 ? 1152 : 576;
}

// An MPEG audio Layer III frame header ("FF FB 90 64": MPEG-1, 128 kbit/s, 44100 Hz, stereo).
struct Mp3Header {
    std::uint32_t bits = 0;
    bool mpeg1 = true;
    int sampleRate = 0;
    int bitrateKbps = 0;
    int channels = 2;
    int size = 0;          // whole frame, bytes
    int sideInfoSize = 0;  // after the 4 header bytes (no CRC: frames with one are refused)
    int samples = 0;       // per channel: 1152, or 576 below 32 kHz
    int maxBegin = 0;      // furthest back main data may start: 511 or 255 bytes
};
std::optional<Mp3Header> parseMp3Header(std::uint32_t bits);

// One frame with its main data pulled out of the bit reservoir.
struct Mp3Frame {
    Mp3Header header;
    std::string headerAndSideInfo;  // as encoded; its main_data_begin is rewritten on packing
    int mainDataBegin = 0;          // as encoded
    std::string mainData;           // the frame's part2_3 bits, the last byte's rest zeroed
};

// Cuts a raw Layer III stream (no tags) into frames as it comes, unpacking each frame's main data.
class Mp3FrameReader {
  public:
    // False, from then on, when anything is not a frame or a back-reference leaves the stream.
    bool feed(std::string_view bytes);
    // True when the bytes fed so far end on a whole frame.
    bool atFrameEnd() const { return pending_.empty(); }
    std::vector<Mp3Frame>& frames() { return frames_; }
    const std::vector<Mp3Frame>& frames() const { return frames_; }

  private:
    std::string pending_;
    std::string payload_;  // every frame's bytes after its side information, end to end
    std::vector<Mp3Frame> frames_;
    bool bad_ = false;
};

// The whole stream at once; nullopt when it is not whole frames throughout.
std::optional<std::vector<Mp3Frame>> unpackMp3Frames(std::string_view stream);

// Whether the two frames decode alike, wherever in the reservoir their main data lies.
bool sameSound(const Mp3Frame& a, const Mp3Frame& b);

// Lays frames out again, each one's main data as far back as the reservoir allows, so every
// back-reference is valid whatever stream a frame came from.
class Mp3FramePacker {
  public:
    // Bytes of earlier frames that the next frame's main data may start back in.
    int room(int maxBegin) const;
    // False (nothing written) when the frame's main data does not fit.
    bool add(const Mp3Frame& frame);
    const std::string& bytes() const { return out_; }
    const std::vector<std::size_t>& frameOffsets() const { return offsets_; }

  private:
    struct Area {
        std::uint64_t payloadStart;
        std::size_t fileOffset;
        std::size_t size;
    };
    std::string out_;
    std::vector<Area> areas_;
    std::vector<std::size_t> offsets_;
    std::uint64_t payloadEnd_ = 0;
    std::uint64_t dataEnd_ = 0;
};

// CRC-16 as the LAME tag uses it (polynomial 0x8005, reflected, starting at 0).
std::uint16_t crc16(std::string_view bytes, std::uint16_t crc = 0);

struct Mp3InfoFacts {
    int encoderDelay = 0;       // samples
    std::uint64_t samples = 0;  // per channel, the input's
    int lowpassHz = 0;
    std::string encoder;  // at most 9 characters: "LAME3.100"
    bool vbr = false;     // a "Xing" frame of LAME's default VBR, else "Info" of constant bitrate
};

// The "Info" (or for VBR "Xing") frame (Xing header with the LAME extension) that goes before the
// frames packed: frame and byte counts, seek table, encoder delay and padding, the music and tag
// CRCs. Empty when there are no frames.
std::string mp3InfoFrame(const std::string& frames, const std::vector<std::size_t>& offsets,
                         const Mp3InfoFacts& facts);

}  // namespace lumivox::tools
