#include "tools/tags/losslesstags.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <algorithm>
#include <memory>

#include "tools/covers/coverfile.h"
#include "tools/decodedwav.h"
#include "tools/losslesswav.h"
#include "tools/tags/tagmap.h"

namespace lumivox::tools {
namespace {

void addFields(SourceTags& tags, const TagLib::PropertyMap& map) {
    for (const auto& [key, values] : map) {
        TagField field{upperAscii(key.to8Bit(true)), {}};
        for (const TagLib::String& value : values) {
            field.values.push_back(value.to8Bit(true));
        }
        if (!field.values.empty()) {
            tags.fields.push_back(std::move(field));
        }
    }
}

// A picture as the FLAC path takes one: not over the size limit, its type seen in its bytes
// when it claims JPEG or PNG or nothing.
void addPicture(SourceTags& tags, const TagLib::ByteVector& bytes, std::string mime, int type,
                std::string description) {
    if (bytes.isEmpty() || bytes.size() > kMostCoverBytes) {
        return;
    }
    CoverPicture picture{std::move(mime), type, std::move(description),
                         std::string(bytes.data(), bytes.size())};
    if (picture.mimeType.empty() || picture.mimeType == "image/jpeg" ||
        picture.mimeType == "image/jpg" || picture.mimeType == "image/png") {
        picture.mimeType = imageMimeType(picture.data);
    }
    if (!picture.mimeType.empty()) {
        tags.pictures.push_back(std::move(picture));
    }
}

// "Cover Art (Front)": the picture's file name, a NUL, then its bytes.
void readApe(SourceTags& tags, TagLib::APE::Tag* ape) {
    if (!ape || ape->isEmpty()) {
        return;
    }
    addFields(tags, ape->properties());
    const TagLib::APE::ItemListMap& items = ape->itemListMap();
    for (const auto& [key, type] :
         {std::pair{"COVER ART (FRONT)", kFrontCover}, std::pair{"COVER ART (BACK)", 4}}) {
        const auto it = items.find(key);
        if (it == items.end() || it->second.type() != TagLib::APE::Item::Binary) {
            continue;
        }
        const TagLib::ByteVector value = it->second.binaryData();
        const int nul = value.find('\0');
        if (nul >= 0) {
            addPicture(tags, value.mid(static_cast<unsigned int>(nul) + 1), {}, type, {});
        }
    }
}

void readId3v2(SourceTags& tags, TagLib::ID3v2::Tag* id3) {
    if (!id3 || id3->isEmpty()) {
        return;
    }
    addFields(tags, id3->properties());
    for (const TagLib::ID3v2::Frame* frame : id3->frameList("APIC")) {
        const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic) {
            addPicture(tags, apic->picture(), apic->mimeType().to8Bit(),
                       static_cast<int>(apic->type()), apic->description().to8Bit(true));
        }
    }
}

std::uint64_t readLe(TagLib::File& file, long at, int bytes) {
    file.seek(at);
    const TagLib::ByteVector v = file.readBlock(static_cast<unsigned long>(bytes));
    std::uint64_t n = 0;
    for (int i = static_cast<int>(v.size()) - 1; i >= 0; --i) {
        n = n << 8 | static_cast<unsigned char>(v[static_cast<unsigned int>(i)]);
    }
    return n;
}

// DSF: "DSD ", 8 bytes of size, 8 of file size, then 8 of the ID3v2 tag's offset (0: none).
// DSDIFF: "FRM8" size "DSD ", then chunks of id and 8-byte big-endian size; "ID3 " holds one.
long id3v2Offset(TagLib::File& file, SourceFormat format) {
    if (format == SourceFormat::Dsf) {
        const auto at = readLe(file, 20, 8);
        return at > 0 && at < static_cast<std::uint64_t>(file.length()) ? static_cast<long>(at)
                                                                        : -1;
    }
    for (long at = 16; at + 12 <= file.length();) {
        file.seek(at);
        const TagLib::ByteVector head = file.readBlock(12);
        if (head.size() < 12) {
            break;
        }
        if (head.mid(0, 4) == "ID3 " || head.mid(0, 4) == "id3 ") {
            return at + 12;
        }
        const auto size = static_cast<long long>(head.toLongLong(4U, true));
        if (size < 0) {
            break;
        }
        at += 12 + static_cast<long>(size) + static_cast<long>(size & 1);
    }
    return -1;
}

void setLength(SourceTags& tags, const std::string& input, unsigned long long frames, int rate) {
    // The decode is what the MP3 is made from; for DSD it is also at the rate the MP3 resamples.
    if (const std::string wav = decodedWavOf(input); !wav.empty()) {
        if (const auto shape = wavShape(wav)) {
            tags.samples = shape->frames;
            tags.sampleRate = static_cast<int>(shape->rate);
            return;
        }
    }
    tags.samples = frames;
    tags.sampleRate = rate;
}

}  // namespace

std::unique_ptr<TagLib::APE::Tag> apeTagAtEnd(TagLib::File& file) {
    const long size = file.length();
    for (const long footer : {size - 32, size - 128 - 32}) {
        if (footer < 0) {
            continue;
        }
        file.seek(footer);
        if (file.readBlock(8) == TagLib::APE::Tag::fileIdentifier()) {
            return std::make_unique<TagLib::APE::Tag>(&file, footer);
        }
    }
    return nullptr;
}

bool readLosslessTags(const std::string& input, SourceFormat format, SourceTags& tags) {
    TagLib::FileStream stream(input.c_str(), true);
    if (!stream.isOpen()) {
        return false;
    }
    auto* frames = TagLib::ID3v2::FrameFactory::instance();
    switch (format) {
        case SourceFormat::Ape: {
            TagLib::APE::File file(&stream, true);
            if (!file.isValid()) {
                return false;
            }
            readApe(tags, file.APETag());
            const auto* p = file.audioProperties();
            setLength(tags, input, p ? p->sampleFrames() : 0, p ? p->sampleRate() : 0);
            break;
        }
        case SourceFormat::WavPack: {
            TagLib::WavPack::File file(&stream, true);
            if (!file.isValid()) {
                return false;
            }
            readApe(tags, file.APETag());
            const auto* p = file.audioProperties();
            setLength(tags, input, p ? p->sampleFrames() : 0, p ? p->sampleRate() : 0);
            break;
        }
        case SourceFormat::Tta: {
            TagLib::TrueAudio::File file(&stream, frames, true);
            if (!file.isValid()) {
                return false;
            }
            // TagLib reads TTA's ID3 tags only; rippers write APEv2.
            const std::unique_ptr<TagLib::APE::Tag> ape = apeTagAtEnd(file);
            if (ape && !ape->isEmpty()) {
                readApe(tags, ape.get());
            } else {
                readId3v2(tags, file.ID3v2Tag());
            }
            const auto* p = file.audioProperties();
            setLength(tags, input, p ? p->sampleFrames() : 0, p ? p->sampleRate() : 0);
            break;
        }
        case SourceFormat::Tak: {
            RawTagFile file(&stream);
            readApe(tags, apeTagAtEnd(file).get());
            setLength(tags, input, 0, 0);
            break;
        }
        case SourceFormat::Mp4: {
            TagLib::MP4::File file(&stream, true);
            if (!file.isValid() || !file.tag()) {
                return false;
            }
            addFields(tags, file.tag()->properties());
            if (file.tag()->contains("covr")) {
                for (const TagLib::MP4::CoverArt& art : file.tag()->item("covr").toCoverArtList()) {
                    addPicture(tags, art.data(), {}, kFrontCover, {});
                }
            }
            setLength(tags, input, 0, 0);
            break;
        }
        case SourceFormat::Wav: {
            TagLib::RIFF::WAV::File file(&stream, true);
            if (!file.isValid()) {
                return false;
            }
            if (file.hasID3v2Tag() && !file.ID3v2Tag()->isEmpty()) {
                readId3v2(tags, file.ID3v2Tag());
            } else if (file.hasInfoTag()) {
                addFields(tags, file.InfoTag()->properties());
            }
            const auto* p = file.audioProperties();
            setLength(tags, input, p ? p->sampleFrames() : 0, p ? p->sampleRate() : 0);
            break;
        }
        case SourceFormat::Aiff: {
            TagLib::RIFF::AIFF::File file(&stream, true);
            if (!file.isValid()) {
                return false;
            }
            readId3v2(tags, file.tag());
            const auto* p = file.audioProperties();
            setLength(tags, input, p ? p->sampleFrames() : 0, p ? p->sampleRate() : 0);
            break;
        }
        case SourceFormat::Dsf:
        case SourceFormat::Dff: {
            RawTagFile file(&stream);
            if (const long at = id3v2Offset(file, format); at >= 0) {
                TagLib::ID3v2::Tag id3(&file, at, frames);
                readId3v2(tags, &id3);
            }
            setLength(tags, input, 0, 0);
            break;
        }
        default:
            return false;
    }
    std::sort(tags.fields.begin(), tags.fields.end(),
              [](const TagField& a, const TagField& b) { return a.name < b.name; });
    const auto front = std::find_if(tags.pictures.begin(), tags.pictures.end(),
                                    [](const CoverPicture& p) { return p.type == kFrontCover; });
    std::rotate(tags.pictures.begin(), front, front == tags.pictures.end() ? front : front + 1);
    tags.read = true;
    return true;
}

}  // namespace lumivox::tools
