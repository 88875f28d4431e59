#pragma once

#include <string>
#include <vector>

#include "tools/argtranslate.h"

namespace lumivox::tools {

// "clip.avi" with folder /home/ann gives /home/ann/clip.avi; absolute and empty paths are kept.
std::string absoluteAgainst(const std::string& path, const std::string& folder);

// conv.exe runs mencoder in the private folder, so its input and its -o output are made absolute
// against the caller's folder first:
//   clip.avi -oac ... -o out/clip-957.avi   (from /home/ann)
// becomes
//   /home/ann/clip.avi -oac ... -o /home/ann/out/clip-957.avi
Args absoluteMencoderPaths(const Args& args, const std::string& folder);

// The files a command reads: ffmpeg's -i values; sox's arguments before its output.
std::vector<std::string> ffmpegInputPaths(const Args& args);
std::vector<std::string> soxInputPaths(const Args& args);

// The first path that exists but is not a regular file, or empty. A FIFO named .flac would keep
// the tool waiting for a writer forever.
std::string firstNonRegularFile(const std::vector<std::string>& paths);

}  // namespace lumivox::tools
