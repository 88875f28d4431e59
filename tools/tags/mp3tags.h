#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::tools {

// Rewrites the MP3 whole, through its partial file: `id3v2` in front in place of the tag there,
// the Info frame made to decode to `samples` when given, and `id3v1` (may be empty) at the end
// in place of one there. False (the file as it was) when it is not an MP3 this can read.
bool retagMp3(const std::string& path, const std::string& id3v2, const std::string& id3v1,
              std::optional<std::uint64_t> samples);

// coder.exe's exit status, after giving a successful .mp3 output its tags: the input's fields
// and pictures with the command's -metadata, in the ID3 version LUMIVOX_ID3 asks for, and the
// exact length of the input. The same for either encode; a tag that cannot be written never
// fails the file, and an input TagLib cannot read keeps what ffmpeg carried over.
int withMp3Tags(int status, const std::vector<std::string>& args);

// coder.exe --retag: the same tags written into the command's existing .mp3 output without
// encoding, the audio and its Info frame kept byte for byte, the file replaced whole through its
// partial file. 0 when the tag was written, else 1 with a line on stderr.
//   coder.exe --retag -i "/m/01.flac" -metadata LUMIVOX_SYNC=... "/o/01.mp3"
int retagOnly(const std::vector<std::string>& args);

}  // namespace lumivox::tools
