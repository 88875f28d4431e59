#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/covers/cover.h"

namespace lumivox::tools {

// One Vorbis comment field with all its values, UTF-8.
struct TagField {
    std::string name;  // upper case
    std::vector<std::string> values;
};

// What the MP3's tag is made from: the input's fields and pictures, and its length.
struct SourceTags {
    std::vector<TagField> fields;  // by name
    std::vector<CoverPicture> pictures;
    std::uint64_t samples = 0;  // per channel; 0 when unknown
    int sampleRate = 0;
    bool read = false;  // false: TagLib knows no tags of such a file
};

// The FLAC's Vorbis comments and pictures (any other input: the tags TagLib reads from it);
// when it holds no usable picture, its folder's cover file as the front cover.
SourceTags readSourceTags(const std::string& input);

// Puts the -metadata fields over the input's: the first KEY=VALUE replaces the field's values, a
// repeated KEY adds one more, an empty VALUE removes the field.
void applyMetadata(SourceTags& tags,
                   const std::vector<std::pair<std::string, std::string>>& metadata);

// The first value of a field, or empty.
std::string firstValue(const SourceTags& tags, const std::string& name);

}  // namespace lumivox::tools
