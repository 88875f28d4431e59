#pragma once

#include <string>
#include <string_view>

namespace lumivox::tools {

// How one Vorbis comment field becomes an ID3v2 frame, as taggers map them (MusicBrainz
// Picard's table is the reference players and taggers agree on).
enum class FrameKind {
    Text,       // a text frame: `frame`
    UserText,   // TXXX with `description`
    Comment,    // COMM, language from LANGUAGE or "eng", empty description
    Lyrics,     // USLT, likewise
    Recording,  // UFID owned by MusicBrainz
    Performer,  // TMCL pairs: "Name (instrument)"
    Url,        // a URL link frame: `frame`
    Number,     // TRCK or TPOS, "n/total" with its total field
    Total,      // folded into its number's frame
    Replaced,   // said anew by the MP3 itself (the FLAC's encoder)
};

struct FieldMapping {
    FrameKind kind;
    std::string_view frame;        // Text, Url, Number
    std::string_view description;  // UserText
};

// The mapping of a field name (any letter case). Fields the table does not know become TXXX
// with their own name, so nothing of the FLAC's tags is dropped.
FieldMapping mappingFor(std::string_view field);

// The field a total belongs to: TRACKTOTAL and TOTALTRACKS to TRACKNUMBER, DISCTOTAL and
// TOTALDISCS to DISCNUMBER; empty for any other field.
std::string_view numberOfTotal(std::string_view field);

// ID3v2.3 has no frame for these 2.4 ones (TagLib leaves them out of a 2.3 tag): they go into
// TXXX under the field's name there instead. Empty when the frame exists in 2.3.
std::string_view v23Fallback(std::string_view frame);

std::string upperAscii(std::string_view text);

}  // namespace lumivox::tools
