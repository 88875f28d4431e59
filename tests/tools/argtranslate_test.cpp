#include <gtest/gtest.h>

#include <sstream>

#include "tools/argtranslate.h"

using namespace lumivox::tools;

namespace {

// The program's command lines split as the runner splits them (these paths hold no spaces and
// no quotes, so splitting at runs of spaces is enough), without the program token.
Args split(const std::string& line) {
    std::istringstream in(line);
    Args out;
    for (std::string token; in >> token;) {
        out.push_back(token);
    }
    return out;
}

const std::string kTmp = "/home/ann/.cache/lumivox/tmp";

}  // namespace

TEST(CoderArgs, Mp3EncodeAndProbeOfTheMp3Job) {
    EXPECT_EQ(translateCoderArgs(split("-i /music/song.flac -y -vn -ar 44100 -ab 128k -ac 2 "
                                       "/out/song_14305.mp3")),
              split("-hide_banner -i /music/song.flac -y -vn -ar 44100 -b:a 128k -ac 2 "
                    "/out/song_14305.mp3"));
    const Args probe = split("-i /home/ann/.cache/lumivox/tmp.wav");
    EXPECT_EQ(translateCoderArgs(probe), split("-hide_banner -i /home/ann/.cache/lumivox/tmp.wav"));
    EXPECT_EQ(ffmpegOutputPath(probe), "");
    EXPECT_EQ(ffmpegOutputPath(split("-i a.flac -y b.mp3")), "b.mp3");
}

TEST(CoderArgs, Mp3OutputGetsTheNearestLameRate) {
    auto rateFor = [](const std::string& rate, const std::string& output) {
        const Args out = translateCoderArgs(split("-i in.flac -y -vn -ar " + rate + " " + output));
        return out[6];
    };
    EXPECT_EQ(rateFor("12050", "/o/a.mp3"), "12000");
    EXPECT_EQ(rateFor("28000", "/o/a.MP3"), "32000");  // a tie goes up
    EXPECT_EQ(rateFor("44100", "/o/a.mp3"), "44100");
    EXPECT_EQ(rateFor("96000", "/o/a.mp3"), "48000");
    EXPECT_EQ(rateFor("1", "/o/a.mp3"), "8000");
    EXPECT_EQ(rateFor("abc", "/o/a.mp3"), "abc");     // ffmpeg says what is wrong
    EXPECT_EQ(rateFor("12050", "/o/a.rm"), "12050");  // other encoders take other rates
    // -ar before -i describes the input, not the MP3.
    EXPECT_EQ(translateCoderArgs(split("-ar 12050 -i in.raw out.mp3"))[2], "12050");
    EXPECT_EQ(nearestMp3SampleRate(11512), 11025);
    EXPECT_EQ(nearestMp3SampleRate(11513), 12000);
}

TEST(CoderArgs, SecondPassesOfTheVideoFormats) {
    const std::string in = "-i " + kTmp + "/tmp.mp4 -y ";
    // RM/RMVB at the source size (two spaces before -ab) and at a chosen size.
    EXPECT_EQ(
        translateCoderArgs(split(in + "-vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 /o/a-1.rmvb")),
        split("-hide_banner " + in + "-vcodec rv10 -b:v 1200k -f rm -b:a 128k -ac 2 /o/a-1.rmvb"));
    EXPECT_EQ(translateCoderArgs(split(in + "-s 320x240 -vcodec rv10 -b 600k -f rm -ar 28000 "
                                            "-ab 64k -ac 1 /o/a-1.rm")),
              split("-hide_banner " + in +
                    "-s 320x240 -vcodec rv10 -b:v 600k -f rm -ar 28000 "
                    "-b:a 64k -ac 1 /o/a-1.rm"));
    EXPECT_EQ(translateCoderArgs(split(in + "-ac 2 -ar 48000 -ab 128k /o/a-1.mov")),
              split("-hide_banner " + in + "-ac 2 -ar 48000 -b:a 128k /o/a-1.mov"));
    // Phone MP4 and 3GP: AMR needs the 3gp muxer.
    const std::string phone = "-s 320x240 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k ";
    for (const std::string ext : {".mp4", ".3gp", ".3GP"}) {
        EXPECT_EQ(translateCoderArgs(split(in + phone + "/o/a-1" + ext)),
                  split("-hide_banner " + in +
                        "-s 320x240 -vcodec mpeg4 -acodec amr_nb -ac 1 "
                        "-ar 8000 -b:a 12.2k -f 3gp /o/a-1" +
                        ext));
    }
    // Given a format, or no AMR, nothing is inserted.
    EXPECT_EQ(translateCoderArgs(split(in + "-acodec amr_nb -f mp4 /o/a.mp4")),
              split("-hide_banner " + in + "-acodec amr_nb -f mp4 /o/a.mp4"));
    EXPECT_EQ(translateCoderArgs(split(in + "-vcodec mpeg4 /o/a.mp4")),
              split("-hide_banner " + in + "-vcodec mpeg4 /o/a.mp4"));
}

TEST(ConvArgs, SinglePassMpegAndAvi) {
    const std::string audio = "-oac lavc -lavcopts acodec=mp2:abitrate=64 ";
    const std::string video = "-ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 ";
    const std::string twolame = "-oac twolame -twolameopts br=64 ";
    // Format 2 from an MPEG-PS input: only the audio encoder changes.
    EXPECT_EQ(translateConvArgs(split("/v/a.mpg " + audio + video +
                                      "-ofps 24 -of lavf -lavfopts format=yuv4mpeg -o /o/a-1.mpg")),
              split("/v/a.mpg " + twolame + video +
                    "-ofps 24 -of lavf -lavfopts format=yuv4mpeg -o /o/a-1.mpg"));
    // Format 3 from an AVI input at a rate MPEG-1 cannot carry.
    EXPECT_EQ(translateConvArgs(split("/v/a.AVI " + audio + video +
                                      "-ofps 29 -of lavf -lavfopts format=yuv4mpeg -o /o/a-1.avi")),
              split("/v/a.AVI -demuxer lavf " + twolame + video +
                    "-ofps 30000/1001 -of avi -o /o/a-1.avi"));
}

TEST(ConvArgs, LavcOptionsWithoutMp2AudioStay) {
    const std::string format4 =
        "-oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200 -of avi "
        "-o ";
    EXPECT_EQ(translateConvArgs(split("/v/a.mkv " + format4 + "/o/a-1.mp4")),
              split("/v/a.mkv " + format4 + "/o/a-1.mp4"));
    EXPECT_EQ(translateConvArgs(split("/v/a.avi " + format4 + kTmp + "/tmp.mp4")),
              split("/v/a.avi -demuxer lavf " + format4 + kTmp + "/tmp.mp4"));
    EXPECT_EQ(translateConvArgs(split("/v/a.avi -demuxer avi -ovc copy -o x.avi")),
              split("/v/a.avi -demuxer avi -ovc copy -o x.avi"));
    // Without abitrate twolame keeps its default bitrate.
    EXPECT_EQ(translateConvArgs(split("/v/a.mpg -oac lavc -lavcopts acodec=mp2 -o x.mpg")),
              split("/v/a.mpg -oac twolame -o x.mpg"));
}

TEST(ConvArgs, Mpeg1FrameRates) {
    EXPECT_EQ(nearestMpeg1FrameRate("15"), "24000/1001");
    EXPECT_EQ(nearestMpeg1FrameRate("23"), "24000/1001");
    EXPECT_EQ(nearestMpeg1FrameRate("29"), "30000/1001");
    EXPECT_EQ(nearestMpeg1FrameRate("24"), "24");
    EXPECT_EQ(nearestMpeg1FrameRate("29.97"), "29.97");
    EXPECT_EQ(nearestMpeg1FrameRate("30000/1001"), "30000/1001");
    EXPECT_EQ(nearestMpeg1FrameRate("120"), "60");
    EXPECT_EQ(nearestMpeg1FrameRate("fast"), "fast");
    EXPECT_EQ(nearestMpeg1FrameRate("25/0"), "25/0");
}

TEST(ToolPaths, InputAndOutputOfEachTool) {
    EXPECT_EQ(mencoderInputPath(split("-nosound /v/a.avi -o b")), "/v/a.avi");
    EXPECT_EQ(mencoderInputPath(split("-oac copy /v/a.avi -o b")), "/v/a.avi");
    EXPECT_EQ(mencoderOutputPath(split("/v/a.avi -o /o/b.avi")), "/o/b.avi");
    EXPECT_EQ(mencoderOutputPath(split("/v/a.avi -o")), "");
    EXPECT_EQ(soxOutputPath(split("/m/a.flac " + kTmp + ".wav")), kTmp + ".wav");
    EXPECT_EQ(soxOutputPath(split("/m/a.flac")), "");
    EXPECT_TRUE(endsWithNoCase("A.Mp3", ".mp3"));
    EXPECT_FALSE(endsWithNoCase("mp3", ".mp3"));
}
