#include "tools/wavprobe.h"

#include <cstdio>

namespace lumivox::tools {
namespace {

std::uint32_t le32(std::string_view s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

std::uint16_t le16(std::string_view s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      static_cast<unsigned char>(s[at + 1]) << 8);
}

// The length in microseconds, rounded to the nearest, as ffmpeg keeps it.
std::uint64_t micros(std::uint64_t frames, std::uint32_t sampleRate) {
    return (frames * 1000000 + sampleRate / 2) / sampleRate;
}

}  // namespace

std::optional<WavFacts> readPlainWavHeader(std::string_view h, std::uint64_t fileSize) {
    constexpr std::size_t kHeader = 44;
    if (h.size() < kHeader || fileSize <= kHeader || h.substr(0, 4) != "RIFF" ||
        h.substr(8, 8) != "WAVEfmt " || h.substr(36, 4) != "data") {
        return std::nullopt;
    }
    const std::uint16_t channels = le16(h, 22);
    const std::uint32_t rate = le32(h, 24);
    const std::uint32_t dataSize = le32(h, 40);
    const bool plain = le32(h, 16) == 16 && le16(h, 20) == 1 && (channels == 1 || channels == 2) &&
                       le16(h, 34) == 16 && le16(h, 32) == 2 * channels && rate >= 1000 &&
                       rate <= 384000 && le32(h, 28) == rate * 2u * channels;
    if (!plain || le32(h, 4) != fileSize - 8 || dataSize != fileSize - kHeader ||
        dataSize % (2u * channels) != 0) {
        return std::nullopt;
    }
    return WavFacts{rate, channels, dataSize / (2u * channels), fileSize};
}

std::string ffmpegDuration(std::uint64_t frames, std::uint32_t sampleRate) {
    const std::uint64_t shown = micros(frames, sampleRate) + 5000;
    const std::uint64_t seconds = shown / 1000000;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60),
                  static_cast<unsigned long long>(shown % 1000000 / 10000));
    return text;
}

std::uint64_t ffmpegBitrateKbps(std::uint64_t fileSize, std::uint64_t frames,
                                std::uint32_t sampleRate) {
    const std::uint64_t length = micros(frames, sampleRate);
    return length == 0 ? 0
                       : static_cast<std::uint64_t>(static_cast<double>(fileSize) * 8.0 *
                                                    1000000.0 / static_cast<double>(length)) /
                             1000;
}

std::string wavProbeReport(const WavFacts& facts, std::string_view path) {
    const char* layout = facts.channels == 1 ? "mono" : "stereo";
    const std::uint64_t streamKbps = std::uint64_t{facts.sampleRate} * facts.channels * 16 / 1000;
    const std::uint64_t fileKbps =
        micros(facts.frames, facts.sampleRate) == 0
            ? streamKbps
            : ffmpegBitrateKbps(facts.fileSize, facts.frames, facts.sampleRate);
    std::string out = "Guessed Channel Layout for Input Stream #0.0 : ";
    out += layout;
    out += "\nInput #0, wav, from '";
    out += path;
    out += "':\n  Duration: " + ffmpegDuration(facts.frames, facts.sampleRate) +
           ", bitrate: " + std::to_string(fileKbps) + " kb/s\n";
    out += "  Stream #0:0: Audio: pcm_s16le ([1][0][0][0] / 0x0001), " +
           std::to_string(facts.sampleRate) + " Hz, " + layout + ", s16, " +
           std::to_string(streamKbps) + " kb/s\n";
    out += "At least one output file must be specified\n";
    return out;
}

std::optional<int> answerWavProbe(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0] != "-i" || args[1].size() < 5 ||
        args[1].compare(args[1].size() - 4, 4, ".wav") != 0) {
        return std::nullopt;
    }
    std::FILE* file = std::fopen(args[1].c_str(), "rb");
    if (!file) {
        return std::nullopt;
    }
    char header[44];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    const bool sized = std::fseek(file, 0, SEEK_END) == 0;
    const long size = sized ? std::ftell(file) : -1;
    std::fclose(file);
    if (size < 0) {
        return std::nullopt;
    }
    const auto facts =
        readPlainWavHeader(std::string_view(header, got), static_cast<std::uint64_t>(size));
    if (!facts) {
        return std::nullopt;
    }
    const std::string report = wavProbeReport(*facts, args[1]);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    return 1;
}

}  // namespace lumivox::tools
