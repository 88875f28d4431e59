#include "tools/losslesswav.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "tools/argtranslate.h"
#include "tools/decodedwav.h"
#include "tools/runtool.h"

namespace lumivox::tools {
namespace {

// Codecs of the lossless sources ffmpeg names; anything else (aac, mp3, alac's lossy cousins)
// is refused.
constexpr std::array<std::string_view, 8> kLosslessCodecs = {"flac", "ape",  "wavpack", "tta",
                                                             "tak",  "alac", "dsd_",    "pcm_"};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

long number(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    return end != s.c_str() && *end == '\0' ? v : 0;
}

bool isLossless(std::string_view codec) {
    for (std::string_view known : kLosslessCodecs) {
        if (known.back() == '_' ? startsWith(codec, known) : codec == known) {
            return true;
        }
    }
    return false;
}

// The PCM the WAV holds: 16 bits when the source has no more, else 24, or 32 for 32-bit
// integers (a float source is well kept in 24).
const char* pcmCodec(const ProbeFacts& p) {
    const bool integer = startsWith(p.sampleFormat, "s") || startsWith(p.sampleFormat, "u");
    if (integer && (startsWith(p.sampleFormat, "s16") || startsWith(p.sampleFormat, "u8") ||
                    (p.bits > 0 && p.bits <= 16))) {
        return "pcm_s16le";
    }
    return integer && p.bits == 32 ? "pcm_s32le" : "pcm_s24le";
}

int pcmBytes(const char* codec) {
    return codec[5] == '1' ? 2 : codec[5] == '2' ? 3 : 4;
}

// What a lossless decoder says of damage in its own words ("[wavpack @ 0x55d0] Block size
// 21686265 is out of bounds"), not of what it skips unharmed ("[ape @ 0x55f2] packet size is not
// a multiple of 4. extra bytes at the end will be skipped": the APEv2 tag after the audio).
bool decoderSaysDamage(std::string_view line) {
    std::string lower(line);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    constexpr std::array<std::string_view, 10> kWords = {
        "error",    "invalid", "corrupt",   "out of bounds", "too few",
        "mismatch", "failed",  "incorrect", "overread",      "not enough"};
    return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view word) {
        return lower.find(word) != std::string::npos;
    });
}

// The interesting lines of ffmpeg's text: decoders and demuxers say so on damage.
std::string firstErrorLine(std::string_view text, std::string_view codec = {}) {
    const std::string decoder = codec.empty() ? std::string() : "[" + std::string(codec) + " @";
    constexpr std::array<std::string_view, 8> kSigns = {"Error while decoding",
                                                        "Error decoding",
                                                        "Invalid data",
                                                        "corrupt",
                                                        "Input/output error",
                                                        "CRC",
                                                        "failed",
                                                        "Invalid PCM packet"};
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(at, end - at);
        if (!decoder.empty() && startsWith(line, decoder) && decoderSaysDamage(line)) {
            return std::string(line);
        }
        for (std::string_view sign : kSigns) {
            if (line.find(sign) != std::string_view::npos) {
                return std::string(line);
            }
        }
        at = end + 1;
    }
    return {};
}

std::string seconds(std::uint64_t frames, long rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(frames) / rate);
    return text;
}

std::string readFile(const std::string& path, std::size_t most) {
    std::string bytes(most, '\0');
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd >= 0 ? pread(fd, bytes.data(), most, 0) : -1;
    if (fd >= 0) {
        close(fd);
    }
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

}  // namespace

ProbeFacts probeSource(const std::string& input, const std::string& adapterName) {
    ToolRun run;
    run.program = "ffprobe";
    run.args = {"-v",
                "error",
                "-select_streams",
                "a:0",
                "-show_entries",
                "stream=codec_name,sample_fmt,bits_per_raw_sample,bits_per_sample,sample_rate,"
                "channels,duration_ts,time_base",
                "-of",
                "default=noprint_wrappers=1",
                input};
    std::string out;
    captureTool(
        run,
        [&out](std::string_view piece) {
            out += piece;
            return out.size() < 65536;
        },
        [](std::string_view) {}, adapterName.c_str());
    return parseProbe(out);
}

ProbeFacts parseProbe(std::string_view text) {
    ProbeFacts p;
    long tbNum = 0, tbDen = 0;
    std::optional<std::uint64_t> durationTs;
    int rawBits = 0, sampleBits = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name") {
            p.codec = value;
        } else if (key == "sample_fmt") {
            p.sampleFormat = value;
        } else if (key == "sample_rate") {
            p.rate = number(value);
        } else if (key == "channels") {
            p.channels = static_cast<int>(number(value));
        } else if (key == "bits_per_raw_sample") {
            rawBits = static_cast<int>(number(value));
        } else if (key == "bits_per_sample") {
            sampleBits = static_cast<int>(number(value));
        } else if (key == "duration_ts" && number(value) > 0) {
            durationTs = static_cast<std::uint64_t>(number(value));
        } else if (key == "time_base") {
            const std::size_t slash = value.find('/');
            if (slash != std::string_view::npos) {
                tbNum = number(value.substr(0, slash));
                tbDen = number(value.substr(slash + 1));
            }
        }
    }
    p.bits = rawBits > 0 ? rawBits : sampleBits;
    if (durationTs && tbNum > 0 && tbDen > 0 && p.rate > 0) {
        const auto den = static_cast<std::uint64_t>(tbDen);
        p.statedFrames =
            (*durationTs * static_cast<std::uint64_t>(tbNum) * static_cast<std::uint64_t>(p.rate) +
             den / 2) /
            den;
    }
    return p;
}

LosslessDecode planLosslessDecode(const ProbeFacts& probe, SourceFormat format,
                                  std::optional<std::uint64_t> headFrames, const std::string& input,
                                  const std::string& output) {
    LosslessDecode d;
    if (probe.codec.empty() || probe.rate <= 0 || probe.channels <= 0) {
        d.refusal = "no audio that ffmpeg can read (damaged?)";
        return d;
    }
    if (!isLossless(probe.codec)) {
        d.refusal = probe.codec == "aac"
                        ? std::string("AAC audio is lossy; only ALAC .m4a files are converted")
                        : probe.codec + " audio is not lossless";
        return d;
    }
    const bool dsd = startsWith(probe.codec, "dsd_");
    // ffmpeg gives DSD at an eighth of its bit rate: 352.8 kHz for DSD64.
    d.rate = dsd ? (probe.rate > 352800 ? 176400 : 88200) : probe.rate;
    const char* codec = dsd ? "pcm_s24le" : pcmCodec(probe);
    std::optional<std::uint64_t> stated =
        format == SourceFormat::Wav || format == SourceFormat::Aiff ? headFrames : std::nullopt;
    if (!stated) {
        stated = probe.statedFrames;
    }
    if (stated) {
        const auto from = static_cast<std::uint64_t>(probe.rate);
        d.expectedFrames = (*stated * static_cast<std::uint64_t>(d.rate) + from / 2) / from;
    }
    d.args = {"-hide_banner", "-nostdin", "-nostats", "-i", input, "-map", "0:a:0", "-vn"};
    if (dsd) {
        // Two 2-pole stages at 24 kHz, then the rate: what hi-res players do with DSD's noise.
        d.args.insert(d.args.end(), {"-af", "lowpass=f=24000:p=2,lowpass=f=24000:p=2", "-ar",
                                     std::to_string(d.rate)});
    }
    d.args.insert(d.args.end(), {"-c:a", codec, "-fflags", "+bitexact", "-flags:a", "+bitexact"});
    const std::uint64_t bytes = d.expectedFrames.value_or(0) *
                                static_cast<std::uint64_t>(probe.channels) *
                                static_cast<std::uint64_t>(pcmBytes(codec));
    if (bytes > 0xffff0000ULL) {
        d.args.insert(d.args.end(), {"-rf64", "auto"});
    }
    d.args.insert(d.args.end(), {"-f", "wav", "-y", output});
    return d;
}

std::string decodeDamage(std::string_view ffmpegText, std::uint64_t decodedFrames,
                         std::optional<std::uint64_t> expectedFrames, long rate,
                         std::string_view codec) {
    if (std::string line = firstErrorLine(ffmpegText, codec); !line.empty()) {
        return line;
    }
    const auto tolerance = static_cast<std::uint64_t>(rate / 100);
    if (expectedFrames && decodedFrames + tolerance < *expectedFrames) {
        return "decoded " + seconds(decodedFrames, rate) + " of " + seconds(*expectedFrames, rate) +
               ": the file is cut short";
    }
    return {};
}

std::optional<PcmShape> wavShape(const std::string& path) {
    const std::string head = readFile(path, 4096);
    return sniffFormat(head) == SourceFormat::Wav ? pcmShape(head) : std::nullopt;
}

std::optional<int> decodeLosslessToWav(const std::vector<std::string>& args,
                                       const std::string& adapterName) {
    if (args.size() != 2 || !endsWithNoCase(args[1], ".wav")) {
        return std::nullopt;
    }
    const std::string& input = args[0];
    const SourceFormat format = sourceFormatOf(input);
    const bool flacByName = format == SourceFormat::Flac && endsWithNoCase(input, ".flac");
    // An MP4 is an ALAC (or a refused AAC) only as .m4a: a video's .mp4 goes on as it always has.
    const bool video = format == SourceFormat::Mp4 && !endsWithNoCase(input, ".m4a");
    if (format == SourceFormat::Unknown || flacByName || video) {
        return std::nullopt;
    }
    const std::string& output = args[1];
    const auto refuse = [&](std::string why) {
        // "t.wv: Input/output error": ffmpeg names the file too.
        if (why.compare(0, input.size() + 2, input + ": ") == 0) {
            why.erase(0, input.size() + 2);
        }
        std::printf("%s: %s: %s\n", adapterName.c_str(), input.c_str(), why.c_str());
        std::fflush(stdout);
        noteRefusedSource(input, why);
        return 1;
    };
    const ProbeFacts facts = probeSource(input, adapterName);
    const LosslessDecode plan =
        planLosslessDecode(facts, format, statedPcmFrames(readFile(input, 65536)), input, output);
    if (!plan.refusal.empty()) {
        return refuse(plan.refusal);
    }
    std::string text;
    ToolRun run;
    run.program = "ffmpeg";
    run.args = plan.args;
    run.outputPath = output;
    run.filter = [&text](std::string_view piece) {
        if (text.size() < (1u << 20)) {
            text += piece;
        }
        return std::string(piece);
    };
    const int status = runTool(run, adapterName.c_str());
    if (status != 0) {
        // Ended by a stop, or ffmpeg could not read it at all.
        return status >= 128
                   ? status
                   : refuse(firstErrorLine(text).empty() ? std::string("ffmpeg could not decode it")
                                                         : firstErrorLine(text));
    }
    const auto shape = wavShape(output);
    const std::string damage =
        shape ? decodeDamage(text, shape->frames, plan.expectedFrames, plan.rate, facts.codec)
              : "no WAV written";
    if (!damage.empty()) {
        unlink(output.c_str());
        return refuse(damage);
    }
    noteDecodedWav(input, output);
    return 0;
}

}  // namespace lumivox::tools
