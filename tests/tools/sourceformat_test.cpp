// What a source really holds, and how sox.exe plans its decode: pure functions over bytes and
// ffprobe's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tools/losslesswav.h"
#include "tools/sourceformat.h"

namespace {

using namespace lumivox::tools;
using namespace std::string_literals;

std::string padded(std::string head) {
    head.resize(64, '\0');
    return head;
}

TEST(SourceFormat, IsJudgedByTheFirstBytesNotTheName) {
    const struct {
        std::string head;
        SourceFormat format;
    } cases[] = {
        {"fLaC\0\0\0\x22"s, SourceFormat::Flac},
        {"MAC \x96\x0f"s, SourceFormat::Ape},
        {"wvpk\x20\0\0\0"s, SourceFormat::WavPack},
        {"TTA1\x01\0"s, SourceFormat::Tta},
        {"tBaK\0"s, SourceFormat::Tak},
        {"RIFF\x24\0\0\0WAVEfmt "s, SourceFormat::Wav},
        {"RF64\xff\xff\xff\xffWAVEds64"s, SourceFormat::Wav},
        {"FORM\0\0\0\x40"
         "AIFFCOMM"s,
         SourceFormat::Aiff},
        {"FORM\0\0\0\x40"
         "AIFCFVER"s,
         SourceFormat::Aiff},
        {"DSD \x1c\0\0\0\0\0\0\0"s, SourceFormat::Dsf},
        {"FRM8\0\0\0\0\0\0\0\x40"
         "DSD FVER"s,
         SourceFormat::Dff},
        {"\0\0\0\x20"
         "ftypM4A \0\0\0\0"s,
         SourceFormat::Mp4},
        {"ID3\x04\0\0\0\0\0\0"s, SourceFormat::Unknown},  // the caller skips it
        {"OggS\0\x02"s, SourceFormat::Unknown},
        {"RIFF\x24\0\0\0AVI LIST"s, SourceFormat::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sniffFormat(padded(c.head)), c.format) << c.head;
    }
    EXPECT_EQ(sniffFormat("fLaC"), SourceFormat::Unknown);  // too short to tell
}

TEST(SourceFormat, Id3v2InFrontIsMeasuredWithItsFooter) {
    EXPECT_EQ(leadingId3v2Size(std::string("ID3\x04\0\0\0\0\x01\x05", 10)), 10u + 128 + 5);
    EXPECT_EQ(leadingId3v2Size(std::string("ID3\x04\0\x10\0\0\0\x0a", 10)), 10u + 10 + 10);
    EXPECT_EQ(leadingId3v2Size("fLaC\0\0\0\0\0\0"), 0u);
}

// The 44-byte header sox writes, with `data` bytes of 16-bit stereo stated.
std::string plainWavHeader(std::uint32_t data) {
    std::string h(
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0"
        "data\0\0\0\0",
        44);
    for (int i = 0; i < 4; ++i) {
        h[static_cast<std::size_t>(40 + i)] = static_cast<char>(data >> (8 * i));
    }
    return h;
}

TEST(SourceFormat, PcmHeadersStateTheirFrames) {
    const auto wav = pcmShape(plainWavHeader(4000));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->frames, 1000u);
    EXPECT_EQ(wav->rate, 44100);
    EXPECT_EQ(wav->channels, 2);
    EXPECT_EQ(wav->bits, 16);

    // RF64: the data chunk says 0xffffffff, ds64 the real size.
    std::string rf64("RF64\xff\xff\xff\xffWAVEds64\x1c\0\0\0", 20);
    rf64 += std::string("\0\0\0\0\0\0\0\0", 8) + std::string("\x00\x00\x00\x40\x01\0\0\0", 8) +
            std::string(12, '\0');
    const std::string fmt = plainWavHeader(0).substr(12, 24);
    rf64 += fmt + std::string("data\xff\xff\xff\xff", 8);
    const auto big = pcmShape(rf64);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->frames, 0x140000000ULL / 4);

    // AIFF's COMM: 2 channels, 88200 frames, 16 bits, 44100 Hz as an 80-bit float.
    const std::string aiff(
        "FORM\0\0\0\x40"
        "AIFFCOMM\0\0\0\x12\0\x02\0\x01\x58\x88\0\x10"
        "\x40\x0e\xac\x44\0\0\0\0\0\0",
        38);
    const auto a = pcmShape(aiff);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->frames, 88200u);
    EXPECT_EQ(a->rate, 44100);
    EXPECT_EQ(a->bits, 16);
    EXPECT_FALSE(pcmShape(padded("fLaC")));
}

TEST(LosslessDecode, ReadsWhatFfprobeSays) {
    const ProbeFacts p = parseProbe(
        "codec_name=wavpack\nsample_fmt=s32p\nsample_rate=96000\nchannels=2\n"
        "bits_per_sample=0\ntime_base=1/96000\nduration_ts=2880000\nbits_per_raw_sample=24\n");
    EXPECT_EQ(p.codec, "wavpack");
    EXPECT_EQ(p.bits, 24);
    EXPECT_EQ(p.rate, 96000);
    EXPECT_EQ(p.channels, 2);
    EXPECT_EQ(p.statedFrames, 2880000u);
    // A time base other than the rate, and no duration at all.
    EXPECT_EQ(parseProbe("sample_rate=44100\ntime_base=1/1000\nduration_ts=2000\n").statedFrames,
              88200u);
    EXPECT_FALSE(parseProbe("codec_name=tak\nsample_rate=44100\nduration_ts=N/A\n").statedFrames);
}

TEST(LosslessDecode, KeepsDepthAndRateAndTurnsDsdIntoPcm) {
    const struct {
        const char* probe;
        const char* codec;  // of the WAV
        long rate;
    } cases[] = {
        {"codec_name=ape\nsample_fmt=s16p\nsample_rate=44100\nchannels=2\n", "pcm_s16le", 44100},
        {"codec_name=alac\nsample_fmt=s32p\nsample_rate=96000\nchannels=2\nbits_per_raw_sample="
         "24\n",
         "pcm_s24le", 96000},
        {"codec_name=pcm_s32le\nsample_fmt=s32\nsample_rate=48000\nchannels=2\nbits_per_sample="
         "32\n",
         "pcm_s32le", 48000},
        {"codec_name=pcm_f32le\nsample_fmt=flt\nsample_rate=48000\nchannels=2\nbits_per_sample="
         "32\n",
         "pcm_s24le", 48000},
        {"codec_name=dsd_lsbf_planar\nsample_fmt=fltp\nsample_rate=352800\nchannels=2\n",
         "pcm_s24le", 88200},
        {"codec_name=dsd_msbf\nsample_fmt=fltp\nsample_rate=705600\nchannels=2\n", "pcm_s24le",
         176400},
    };
    for (const auto& c : cases) {
        const LosslessDecode d =
            planLosslessDecode(parseProbe(c.probe), SourceFormat::Unknown, {}, "in", "out.wav");
        ASSERT_TRUE(d.refusal.empty()) << c.probe;
        EXPECT_EQ(d.rate, c.rate) << c.probe;
        const auto codec = std::find(d.args.begin(), d.args.end(), "-c:a");
        ASSERT_NE(codec, d.args.end());
        EXPECT_EQ(*(codec + 1), c.codec) << c.probe;
        EXPECT_EQ(d.args.back(), "out.wav");
        const bool lowpass = std::find(d.args.begin(), d.args.end(), "-af") != d.args.end();
        EXPECT_EQ(lowpass, c.rate == 88200 || c.rate == 176400) << c.probe;
    }
}

TEST(LosslessDecode, RefusesLossyAudioWithItsReason) {
    const LosslessDecode aac = planLosslessDecode(
        parseProbe("codec_name=aac\nsample_fmt=fltp\nsample_rate=44100\nchannels=2\n"),
        SourceFormat::Mp4, {}, "in.m4a", "out.wav");
    EXPECT_NE(aac.refusal.find("AAC"), std::string::npos);
    EXPECT_TRUE(aac.args.empty());
    EXPECT_FALSE(planLosslessDecode(parseProbe("codec_name=mp3\nsample_rate=44100\nchannels=2\n"),
                                    SourceFormat::Unknown, {}, "in", "out.wav")
                     .refusal.empty());
    EXPECT_FALSE(
        planLosslessDecode(parseProbe(""), SourceFormat::Ape, {}, "in", "out.wav").refusal.empty());
}

TEST(LosslessDecode, AWavHeaderOutranksFfprobeOnTheLength) {
    // ffprobe measures a cut WAV by its size; the header still says how long it was.
    const ProbeFacts cut = parseProbe(
        "codec_name=pcm_s16le\nsample_fmt=s16\nsample_rate=44100\nchannels=2\n"
        "time_base=1/44100\nduration_ts=661500\n");
    EXPECT_EQ(planLosslessDecode(cut, SourceFormat::Wav, 1323000, "in", "o.wav").expectedFrames,
              1323000u);
    EXPECT_EQ(planLosslessDecode(cut, SourceFormat::Ape, 1323000, "in", "o.wav").expectedFrames,
              661500u);
    // DSD's length is stated at an eighth of its bit rate, the WAV's at 88.2 kHz.
    const ProbeFacts dsd = parseProbe(
        "codec_name=dsd_lsbf_planar\nsample_fmt=fltp\nsample_rate=352800\nchannels=2\n"
        "time_base=1/352800\nduration_ts=3528000\n");
    EXPECT_EQ(planLosslessDecode(dsd, SourceFormat::Dsf, {}, "in", "o.wav").expectedFrames,
              882000u);
}

TEST(LosslessDecode, DamageIsAnErrorLineOrAShortfall) {
    EXPECT_EQ(decodeDamage("Input #0, ape\n[ape @ 0x55] Error decoding frame\nsize=1kB\n", 100, 100,
                           44100),
              "[ape @ 0x55] Error decoding frame");
    EXPECT_EQ(decodeDamage("", 661500, 1323000, 44100),
              "decoded 15.00 s of 30.00 s: the file is cut short");
    EXPECT_EQ(decodeDamage("Guessed Channel Layout for Input Stream #0.0 : stereo\n", 1323000 - 441,
                           1323000, 44100),
              "");  // within 10 ms
    EXPECT_EQ(decodeDamage("", 500, std::nullopt, 44100), "");
    // Whatever the lossless decoder says is damage; another component's word is not.
    const char* wavpack = "[wavpack @ 0x5625] Block size 21686265 is out of bounds\n";
    EXPECT_EQ(decodeDamage(wavpack, 100, 100, 44100, "wavpack"),
              "[wavpack @ 0x5625] Block size 21686265 is out of bounds");
    EXPECT_EQ(
        decodeDamage("[wav @ 0x55] Ignoring maximum wav data size\n", 100, 100, 44100, "pcm_s16le"),
        "");
}

}  // namespace
