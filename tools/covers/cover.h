#pragma once

#include <cstddef>
#include <string>

namespace lumivox::tools {

// Larger pictures are left out: they bloat every MP3 of an album and some players choke on them.
constexpr std::size_t kMostCoverBytes = 16u * 1024 * 1024;

// ID3v2 APIC picture type of a front cover (FLAC uses the same numbers).
constexpr int kFrontCover = 3;

// One picture as it goes into the MP3.
struct CoverPicture {
    std::string mimeType;
    int type = kFrontCover;
    std::string description;  // UTF-8
    std::string data;
};

}  // namespace lumivox::tools
