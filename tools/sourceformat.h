#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumivox::tools {

// What a source file really holds, judged by its first bytes, not by its name: a FLAC named .ape
// is a FLAC.
enum class SourceFormat { Unknown, Flac, Ape, WavPack, Tta, Tak, Mp4, Wav, Aiff, Dsf, Dff };

// From the file's first bytes (64 or more; an ID3v2 tag in front is skipped by the caller):
//   "fLaC" "MAC " "wvpk" "TTA1" "tBaK" "RIFF....WAVE" "RF64....WAVE" "FORM....AIFF"/"AIFC"
//   "DSD " "FRM8....DSD " "....ftyp"
SourceFormat sniffFormat(std::string_view head);
// Reads the file's start, past any ID3v2 tags in front (as some rippers put before FLAC, APE
// and TTA); Unknown when it cannot be read.
SourceFormat sourceFormatOf(const std::string& path);
const char* formatName(SourceFormat format);

// The size of an ID3v2 tag at the start of `head` (header, footer and all), else 0.
std::size_t leadingId3v2Size(std::string_view head);

// What a PCM container's header states, from its first bytes (up to 64 KB): RIFF and RF64 WAVE
// from "fmt " and the data chunk (ds64 for RF64) over the block size, AIFF and AIFC from COMM.
// nullopt for anything else. For a file cut short the frames are more than the file holds.
struct PcmShape {
    std::uint64_t frames = 0;
    long rate = 0;
    int channels = 0;
    int bits = 0;
};
std::optional<PcmShape> pcmShape(std::string_view head);
std::optional<std::uint64_t> statedPcmFrames(std::string_view head);

}  // namespace lumivox::tools
