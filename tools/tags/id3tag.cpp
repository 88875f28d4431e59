#include "tools/tags/id3tag.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/uniquefileidentifierframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/urllinkframe.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "tools/tags/tagmap.h"

namespace lumivox::tools {
namespace {

using TagLib::ByteVector;
using TagLib::String;
using TagLib::StringList;
namespace ID3v2 = TagLib::ID3v2;

String utf8(const std::string& text) {
    return String(text, String::UTF8);
}

bool isAscii(const String& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// Latin-1 for plain ASCII, which every reader takes; else UTF-8 (2.4) or UTF-16 (2.3).
String::Type encodingFor(const StringList& texts, Id3Version version) {
    const bool ascii =
        std::all_of(texts.begin(), texts.end(), [](const String& t) { return isAscii(t); });
    if (ascii) {
        return String::Latin1;
    }
    return version == Id3Version::V24 ? String::UTF8 : String::UTF16;
}

StringList toList(const std::vector<std::string>& values, Id3Version version) {
    StringList list;
    for (const std::string& v : values) {
        list.append(utf8(v));
    }
    // ID3v2.3 knows one string a frame: the separator players of that age split on.
    if (version == Id3Version::V23 && list.size() > 1) {
        return StringList(list.toString("/"));
    }
    return list;
}

std::string joined(const std::vector<std::string>& values, const char* separator) {
    std::string text;
    for (const std::string& v : values) {
        if (!text.empty()) {
            text += separator;
        }
        text += v;
    }
    return text;
}

// "Jane Doe (violin)" is the violinist Jane Doe; a bare name performs.
std::pair<std::string, std::string> performerRole(const std::string& value) {
    const auto open = value.rfind(" (");
    if (open != std::string::npos && open > 0 && value.size() > open + 3 && value.back() == ')') {
        return {value.substr(open + 2, value.size() - open - 3), value.substr(0, open)};
    }
    return {"performer", value};
}

std::string language(const SourceTags& tags) {
    const std::string lang = firstValue(tags, "LANGUAGE");
    const bool iso = lang.size() == 3 && std::all_of(lang.begin(), lang.end(), [](char c) {
                         return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                     });
    if (!iso) {
        return "eng";
    }
    std::string lower = lang;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c < 'a' ? static_cast<char>(c + 32) : c; });
    return lower;
}

class TagBuilder {
  public:
    TagBuilder(const SourceTags& tags, Id3Version version) : tags_(tags), version_(version) {}

    void text(const std::string& id, const std::vector<std::string>& values) {
        const StringList list = toList(values, version_);
        auto frame = std::make_unique<ID3v2::TextIdentificationFrame>(ByteVector(id.c_str()),
                                                                      encodingFor(list, version_));
        frame->setText(list);
        tag_.addFrame(frame.release());
    }

    void userText(const std::string& description, const std::vector<std::string>& values) {
        StringList list = toList(values, version_);
        list.prepend(utf8(description));
        auto frame =
            std::make_unique<ID3v2::UserTextIdentificationFrame>(encodingFor(list, version_));
        frame->setDescription(list.front());
        list.erase(list.begin());
        frame->setText(list);
        tag_.addFrame(frame.release());
    }

    template <class Frame>
    void languageText(const std::vector<std::string>& values) {
        const String body = utf8(joined(values, "\n"));
        auto frame = std::make_unique<Frame>(encodingFor(StringList(body), version_));
        frame->setLanguage(ByteVector(language(tags_).c_str(), 3));
        frame->setDescription(String());
        frame->setText(body);
        tag_.addFrame(frame.release());
    }

    void performers(const std::vector<std::string>& values) {
        StringList pairs;
        for (const std::string& v : values) {
            const auto [role, name] = performerRole(v);
            pairs.append(utf8(role));
            pairs.append(utf8(name));
        }
        // TagLib writes the credits as IPLS in 2.3, where this list is called so.
        auto frame = std::make_unique<ID3v2::TextIdentificationFrame>(ByteVector("TMCL"),
                                                                      encodingFor(pairs, version_));
        frame->setText(pairs);
        tag_.addFrame(frame.release());
    }

    void recording(const std::string& id) {
        tag_.addFrame(new ID3v2::UniqueFileIdentifierFrame(
            "http://musicbrainz.org", ByteVector(id.data(), static_cast<unsigned>(id.size()))));
    }

    void url(const std::string& id, const std::string& link) {
        auto frame = std::make_unique<ID3v2::UrlLinkFrame>(ByteVector(id.c_str()));
        frame->setUrl(utf8(link));
        tag_.addFrame(frame.release());
    }

    void picture(const CoverPicture& p) {
        auto frame = std::make_unique<ID3v2::AttachedPictureFrame>();
        frame->setMimeType(String(p.mimeType, String::Latin1));
        frame->setType(static_cast<ID3v2::AttachedPictureFrame::Type>(p.type));
        const String description = utf8(p.description);
        frame->setDescription(description);
        frame->setTextEncoding(encodingFor(StringList(description), version_));
        frame->setPicture(ByteVector(p.data.data(), static_cast<unsigned>(p.data.size())));
        tag_.addFrame(frame.release());
    }

    std::string render() const {
        const ByteVector bytes = tag_.render(version_ == Id3Version::V24 ? ID3v2::v4 : ID3v2::v3);
        return std::string(bytes.data(), bytes.size());
    }

  private:
    const SourceTags& tags_;
    Id3Version version_;
    ID3v2::Tag tag_;
};

// "3" with a total of 12 gives "3/12"; a number that carries its total already keeps it.
std::string withTotal(const SourceTags& tags, const std::string& number) {
    const std::string value = firstValue(tags, number);
    if (value.find('/') != std::string::npos) {
        return value;
    }
    for (const TagField& f : tags.fields) {
        if (numberOfTotal(f.name) == number && !f.values.empty()) {
            return value + "/" + f.values.front();
        }
    }
    return value;
}

bool hasField(const SourceTags& tags, std::string_view name) {
    return !firstValue(tags, std::string(name)).empty();
}

}  // namespace

std::string renderId3v2(const SourceTags& tags, Id3Version version, const std::string& encoder) {
    TagBuilder tag(tags, version);
    // Text frames first, by frame; fields that share one (LABEL, ORGANIZATION) give it all their
    // values.
    std::map<std::string, std::vector<std::string>> texts;
    for (const TagField& f : tags.fields) {
        const FieldMapping m = mappingFor(f.name);
        const bool only24 = version == Id3Version::V23 && !v23Fallback(m.frame).empty();
        if (m.kind == FrameKind::Text && !only24) {
            auto& values = texts[std::string(m.frame)];
            values.insert(values.end(), f.values.begin(), f.values.end());
        } else if (m.kind == FrameKind::Number) {
            texts[std::string(m.frame)] = {withTotal(tags, f.name)};
        }
    }
    if (!encoder.empty()) {
        texts["TSSE"] = {encoder};
    }
    for (const auto& [id, values] : texts) {
        tag.text(id, values);
    }
    // One COMM and one USLT: a second with the same language and description is not allowed.
    std::vector<std::string> comments;
    std::vector<std::string> lyrics;
    for (const TagField& f : tags.fields) {
        const FieldMapping m = mappingFor(f.name);
        switch (m.kind) {
            case FrameKind::Text:
                // ID3v2.3 has no such frame: kept under the field's name.
                if (version == Id3Version::V23 && !v23Fallback(m.frame).empty()) {
                    tag.userText(f.name, f.values);
                }
                break;
            case FrameKind::Total:
                // A total without its number would be lost in a frame of its own.
                if (!hasField(tags, numberOfTotal(f.name))) {
                    tag.userText(f.name, f.values);
                }
                break;
            case FrameKind::UserText:
                tag.userText(m.description.empty() ? f.name : std::string(m.description), f.values);
                break;
            case FrameKind::Comment:
                comments.insert(comments.end(), f.values.begin(), f.values.end());
                break;
            case FrameKind::Lyrics:
                lyrics.insert(lyrics.end(), f.values.begin(), f.values.end());
                break;
            case FrameKind::Performer:
                tag.performers(f.values);
                break;
            case FrameKind::Recording:
                tag.recording(f.values.front());
                break;
            case FrameKind::Url:
                for (const std::string& v : f.values) {
                    tag.url(std::string(m.frame), v);
                }
                break;
            case FrameKind::Number:
            case FrameKind::Replaced:
                break;
        }
    }
    if (!comments.empty()) {
        tag.languageText<ID3v2::CommentsFrame>(comments);
    }
    if (!lyrics.empty()) {
        tag.languageText<ID3v2::UnsynchronizedLyricsFrame>(lyrics);
    }
    for (const CoverPicture& p : tags.pictures) {
        tag.picture(p);
    }
    return tag.render();
}

Id3Version id3VersionFromEnvironment() {
    const char* value = std::getenv("LUMIVOX_ID3");
    return value && std::string(value) == "2.3" ? Id3Version::V23 : Id3Version::V24;
}

}  // namespace lumivox::tools
