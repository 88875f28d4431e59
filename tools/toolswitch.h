#pragma once

namespace lumivox::tools {

// LUMIVOX_PARALLEL: "0" makes coder.exe run plain ffmpeg for every command (no built-in probe,
// no parallel encode); a number from 2 up sets how many pieces one MP3 encode is cut into;
// unset or anything else, one piece per processor core.
bool plainToolsOnly();
int parallelPieces();

}  // namespace lumivox::tools
