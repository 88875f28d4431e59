#include "tools/tags/sourcetags.h"

#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacproperties.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <set>

#include "tools/covers/coverfile.h"
#include "tools/covers/flacpicture.h"
#include "tools/tags/tagmap.h"

namespace lumivox::tools {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void addFields(SourceTags& tags, const TagLib::SimplePropertyMap& map) {
    for (const auto& [key, values] : map) {
        TagField field{upperAscii(key.to8Bit(true)), {}};
        for (const TagLib::String& value : values) {
            field.values.push_back(value.to8Bit(true));
        }
        tags.fields.push_back(std::move(field));
    }
}

TagField* find(SourceTags& tags, const std::string& name) {
    const auto it = std::find_if(tags.fields.begin(), tags.fields.end(),
                                 [&](const TagField& f) { return f.name == name; });
    return it == tags.fields.end() ? nullptr : &*it;
}

}  // namespace

SourceTags readSourceTags(const std::string& input) {
    SourceTags tags;
    {
        TagLib::FileStream stream(input.c_str(), true);
        TagLib::FLAC::File flac(&stream, TagLib::ID3v2::FrameFactory::instance(), true);
        if (stream.isOpen() && flac.isValid()) {
            tags.read = true;
            if (TagLib::Ogg::XiphComment* comment = flac.xiphComment()) {
                addFields(tags, comment->fieldListMap());
            }
            if (const TagLib::FLAC::Properties* p = flac.audioProperties()) {
                tags.samples = p->sampleFrames();
                tags.sampleRate = p->sampleRate();
            }
            tags.pictures = flacPictures(input);
        } else {
            TagLib::FileRef ref(input.c_str(), false);
            if (!ref.isNull() && ref.file()) {
                tags.read = true;
                addFields(tags, ref.file()->properties());
            }
        }
    }
    if (tags.pictures.empty()) {
        if (const auto file = findCoverFile(folderOf(input))) {
            if (auto picture = readCoverFile(*file)) {
                tags.pictures.push_back(std::move(*picture));
            }
        }
    }
    return tags;
}

void applyMetadata(SourceTags& tags,
                   const std::vector<std::pair<std::string, std::string>>& metadata) {
    std::set<std::string> replaced;
    for (const auto& [name, value] : metadata) {
        TagField* field = find(tags, name);
        if (replaced.insert(name).second && field) {
            field->values.clear();
        }
        if (value.empty()) {
            continue;
        }
        if (!field) {
            tags.fields.push_back({name, {}});
            field = &tags.fields.back();
        }
        field->values.push_back(value);
    }
    std::erase_if(tags.fields, [](const TagField& f) { return f.values.empty(); });
    std::sort(tags.fields.begin(), tags.fields.end(),
              [](const TagField& a, const TagField& b) { return a.name < b.name; });
}

std::string firstValue(const SourceTags& tags, const std::string& name) {
    for (const TagField& f : tags.fields) {
        if (f.name == name && !f.values.empty()) {
            return f.values.front();
        }
    }
    return {};
}

}  // namespace lumivox::tools
