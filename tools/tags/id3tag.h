#pragma once

#include <string>

#include "tools/tags/sourcetags.h"

namespace lumivox::tools {

// ID3v2.4 is the default; 2.3 (with an ID3v1 tag at the end) is for players that read no 2.4.
enum class Id3Version { V24, V23 };

// The MP3's whole ID3v2 tag, from the input's fields and pictures as mapped in tagmap.h, naming
// `encoder` as the encoding software. The same input gives the same bytes, whatever encoded the
// sound. In 2.3 multiple values are joined with "/" and non-ASCII text is UTF-16.
std::string renderId3v2(const SourceTags& tags, Id3Version version, const std::string& encoder);

// The 128-byte ID3v1.1 tag: title, artist, album, year, comment, track and genre, each cut at a
// whole character to its field; Latin-1 where a field's text fits in it, else GBK, which the
// players that need ID3v1 in China read. Characters neither holds become "?".
std::string renderId3v1(const SourceTags& tags);

// LUMIVOX_ID3: "2.3" asks for ID3v2.3 with ID3v1; anything else gives 2.4.
Id3Version id3VersionFromEnvironment();

}  // namespace lumivox::tools
