#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumivox::tools {

using Args = std::vector<std::string>;

// ffmpeg, for coder.exe and coder2.exe:
//   -i in.flac -y -vn -ar 12050 -ab 128k -ac 2 out.mp3
// becomes
//   -hide_banner -i in.flac -y -vn -ar 12000 -b:a 128k -ac 2 out.mp3
// -b is the video bitrate (-b:v); an MP3 output gets the nearest rate libmp3lame takes; AMR
// audio into .mp4/.3gp gets "-f 3gp" before the output name (the mp4 muxer refuses AMR).
Args translateCoderArgs(const Args& args);

// MEncoder, for conv.exe:
//   in.avi -oac lavc -lavcopts acodec=mp2:abitrate=64 -ovc lavc
//     -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 -ofps 24 -of lavf ... -o out.mpg
// becomes
//   in.avi -demuxer lavf -oac twolame -twolameopts br=64 -ovc lavc
//     -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 -ofps 24 -of lavf ... -o out.mpg
// MPEG-1 video gets the nearest frame rate it can carry, and MPEG audio into an .avi goes
// through MEncoder's own AVI muxer, because its lavf one crashes on twolame's stream.
Args translateConvArgs(const Args& args);

// The file the tool writes, or empty when the command names none (the "-i x" probe).
std::string ffmpegOutputPath(const Args& args);
std::string soxOutputPath(const Args& args);
std::string mencoderOutputPath(const Args& args);
// The first file argument of a MEncoder command, and its index (npos when there is none).
std::string mencoderInputPath(const Args& args);
std::size_t mencoderInputPosition(const Args& args);

// Nearest of 8000 11025 12000 16000 22050 24000 32000 44100 48000; a tie takes the higher.
long nearestMp3SampleRate(long rate);
// Frame rate text for -ofps that MPEG-1 video accepts: the given text when it already is one,
// otherwise the nearest of 24000/1001 24 25 30000/1001 30 50 60000/1001 60.
std::string nearestMpeg1FrameRate(std::string_view fps);

bool endsWithNoCase(std::string_view text, std::string_view suffix);

}  // namespace lumivox::tools
