#include "tools/tags/tagmap.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumivox::tools {
namespace {

using K = FrameKind;

struct Row {
    std::string_view field;
    FieldMapping mapping;
};

// Vorbis field (upper case) to ID3v2.4. Text frames first, in the order of the ID3 standard.
constexpr std::array kTable = {
    Row{"GROUPING", {K::Text, "TIT1", {}}},
    Row{"TITLE", {K::Text, "TIT2", {}}},
    Row{"SUBTITLE", {K::Text, "TIT3", {}}},
    Row{"ALBUM", {K::Text, "TALB", {}}},
    Row{"DISCSUBTITLE", {K::Text, "TSST", {}}},
    Row{"ISRC", {K::Text, "TSRC", {}}},
    Row{"ARTIST", {K::Text, "TPE1", {}}},
    Row{"ALBUMARTIST", {K::Text, "TPE2", {}}},
    Row{"ALBUM ARTIST", {K::Text, "TPE2", {}}},
    Row{"CONDUCTOR", {K::Text, "TPE3", {}}},
    Row{"REMIXER", {K::Text, "TPE4", {}}},
    Row{"LYRICIST", {K::Text, "TEXT", {}}},
    Row{"COMPOSER", {K::Text, "TCOM", {}}},
    Row{"ENCODEDBY", {K::Text, "TENC", {}}},
    Row{"BPM", {K::Text, "TBPM", {}}},
    Row{"KEY", {K::Text, "TKEY", {}}},
    Row{"LANGUAGE", {K::Text, "TLAN", {}}},
    Row{"GENRE", {K::Text, "TCON", {}}},
    Row{"MEDIA", {K::Text, "TMED", {}}},
    Row{"MOOD", {K::Text, "TMOO", {}}},
    Row{"COPYRIGHT", {K::Text, "TCOP", {}}},
    Row{"LABEL", {K::Text, "TPUB", {}}},
    Row{"ORGANIZATION", {K::Text, "TPUB", {}}},
    Row{"PUBLISHER", {K::Text, "TPUB", {}}},
    Row{"ORIGINALDATE", {K::Text, "TDOR", {}}},
    Row{"DATE", {K::Text, "TDRC", {}}},
    Row{"ALBUMSORT", {K::Text, "TSOA", {}}},
    Row{"ARTISTSORT", {K::Text, "TSOP", {}}},
    Row{"TITLESORT", {K::Text, "TSOT", {}}},
    Row{"ORIGINALALBUM", {K::Text, "TOAL", {}}},
    Row{"ORIGINALARTIST", {K::Text, "TOPE", {}}},
    Row{"ORIGINALFILENAME", {K::Text, "TOFN", {}}},
    Row{"COMPILATION", {K::Text, "TCMP", {}}},
    Row{"COMPOSERSORT", {K::Text, "TSOC", {}}},
    Row{"ALBUMARTISTSORT", {K::Text, "TSO2", {}}},
    Row{"WEBSITE", {K::Url, "WOAR", {}}},
    Row{"TRACKNUMBER", {K::Number, "TRCK", {}}},
    Row{"DISCNUMBER", {K::Number, "TPOS", {}}},
    Row{"TRACKTOTAL", {K::Total, {}, {}}},
    Row{"TOTALTRACKS", {K::Total, {}, {}}},
    Row{"DISCTOTAL", {K::Total, {}, {}}},
    Row{"TOTALDISCS", {K::Total, {}, {}}},
    Row{"COMMENT", {K::Comment, {}, {}}},
    Row{"DESCRIPTION", {K::Comment, {}, {}}},
    Row{"LYRICS", {K::Lyrics, {}, {}}},
    Row{"UNSYNCEDLYRICS", {K::Lyrics, {}, {}}},
    Row{"PERFORMER", {K::Performer, {}, {}}},
    Row{"MUSICBRAINZ_TRACKID", {K::Recording, {}, {}}},
    Row{"ENCODER", {K::Replaced, {}, {}}},
    // TXXX with the descriptions taggers write and look for.
    Row{"MUSICBRAINZ_ARTISTID", {K::UserText, {}, "MusicBrainz Artist Id"}},
    Row{"MUSICBRAINZ_ALBUMID", {K::UserText, {}, "MusicBrainz Album Id"}},
    Row{"MUSICBRAINZ_ALBUMARTISTID", {K::UserText, {}, "MusicBrainz Album Artist Id"}},
    Row{"MUSICBRAINZ_RELEASEGROUPID", {K::UserText, {}, "MusicBrainz Release Group Id"}},
    Row{"MUSICBRAINZ_RELEASETRACKID", {K::UserText, {}, "MusicBrainz Release Track Id"}},
    Row{"MUSICBRAINZ_WORKID", {K::UserText, {}, "MusicBrainz Work Id"}},
    Row{"MUSICBRAINZ_DISCID", {K::UserText, {}, "MusicBrainz Disc Id"}},
    Row{"MUSICBRAINZ_ORIGINALALBUMID", {K::UserText, {}, "MusicBrainz Original Album Id"}},
    Row{"MUSICBRAINZ_ORIGINALARTISTID", {K::UserText, {}, "MusicBrainz Original Artist Id"}},
    Row{"MUSICBRAINZ_TRMID", {K::UserText, {}, "MusicBrainz TRM Id"}},
    Row{"RELEASETYPE", {K::UserText, {}, "MusicBrainz Album Type"}},
    Row{"MUSICBRAINZ_ALBUMTYPE", {K::UserText, {}, "MusicBrainz Album Type"}},
    Row{"RELEASESTATUS", {K::UserText, {}, "MusicBrainz Album Status"}},
    Row{"MUSICBRAINZ_ALBUMSTATUS", {K::UserText, {}, "MusicBrainz Album Status"}},
    Row{"RELEASECOUNTRY", {K::UserText, {}, "MusicBrainz Album Release Country"}},
    Row{"ACOUSTID_ID", {K::UserText, {}, "Acoustid Id"}},
    Row{"ACOUSTID_FINGERPRINT", {K::UserText, {}, "Acoustid Fingerprint"}},
    Row{"MUSICIP_PUID", {K::UserText, {}, "MusicIP PUID"}},
    Row{"MUSICIP_FINGERPRINT", {K::UserText, {}, "MusicMagic Fingerprint"}},
    Row{"WRITER", {K::UserText, {}, "Writer"}},
};

}  // namespace

std::string upperAscii(std::string_view text) {
    std::string up(text);
    std::transform(up.begin(), up.end(), up.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return up;
}

FieldMapping mappingFor(std::string_view field) {
    const std::string up = upperAscii(field);
    for (const Row& row : kTable) {
        if (row.field == up) {
            return row.mapping;
        }
    }
    return {K::UserText, {}, {}};
}

std::string_view numberOfTotal(std::string_view field) {
    const std::string up = upperAscii(field);
    if (up == "TRACKTOTAL" || up == "TOTALTRACKS") {
        return "TRACKNUMBER";
    }
    if (up == "DISCTOTAL" || up == "TOTALDISCS") {
        return "DISCNUMBER";
    }
    return {};
}

std::string_view v23Fallback(std::string_view frame) {
    static constexpr std::array<std::string_view, 5> kOnly24 = {"TSOA", "TSOP", "TSOT", "TMOO",
                                                                "TSST"};
    return std::find(kOnly24.begin(), kOnly24.end(), frame) != kOnly24.end() ? frame
                                                                             : std::string_view{};
}

}  // namespace lumivox::tools
