#pragma once

#include <optional>
#include <string>

namespace lumivox::tools {

// What splitting a lossless source other than FLAC into an album's tracks needs: its rate and
// length (the samples sox.exe decodes it to) and the sheet rippers write into its APEv2 tag
// (the "Cuesheet" item of APE, WavPack, TTA and TAK; empty when there is none). nullopt for a
// FLAC, for DSD (its sheets' CD frames are not its samples) and for what cannot be read.
struct ImageSource {
    long rate = 0;
    long long samples = 0;
    std::string embeddedSheet;  // UTF-8, as APEv2 holds text
};
std::optional<ImageSource> imageSourceOf(const std::string& path);

}  // namespace lumivox::tools
