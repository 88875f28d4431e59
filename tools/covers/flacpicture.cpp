#include "tools/covers/flacpicture.h"

#include <algorithm>

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/tfilestream.h>
#include <taglib/xiphcomment.h>

#include "tools/covers/coverfile.h"

namespace lumivox::tools {
namespace {

std::optional<CoverPicture> usable(const TagLib::FLAC::Picture& p) {
    const TagLib::ByteVector& bytes = p.data();
    CoverPicture picture;
    picture.mimeType = p.mimeType().to8Bit();
    // "-->" marks a link to the picture, not the picture.
    if (bytes.isEmpty() || bytes.size() > kMostCoverBytes || picture.mimeType == "-->") {
        return std::nullopt;
    }
    picture.data.assign(bytes.data(), bytes.size());
    const std::string seen = imageMimeType(picture.data);
    const bool claimsJpegOrPng = picture.mimeType == "image/jpeg" ||
                                 picture.mimeType == "image/jpg" || picture.mimeType == "image/png";
    // A JPEG or PNG in name only is a damaged picture; other kinds are taken at their word.
    if (picture.mimeType.empty() || claimsJpegOrPng) {
        picture.mimeType = seen;
    }
    if (picture.mimeType.empty()) {
        return std::nullopt;
    }
    picture.type = static_cast<int>(p.type());
    picture.description = p.description().to8Bit(true);
    return picture;
}

}  // namespace

std::vector<CoverPicture> flacPictures(const std::string& flacPath) {
    std::vector<CoverPicture> pictures;
    TagLib::FileStream stream(flacPath.c_str(), true);
    if (!stream.isOpen()) {
        return pictures;
    }
    // TagLib drops a picture block it cannot parse; the rest of the file still reads.
    TagLib::FLAC::File flac(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!flac.isValid()) {
        return pictures;
    }
    TagLib::List<TagLib::FLAC::Picture*> all = flac.pictureList();
    // Pictures some taggers put into the comments instead of picture blocks.
    if (TagLib::Ogg::XiphComment* comment = flac.xiphComment()) {
        all.append(comment->pictureList());
    }
    for (const TagLib::FLAC::Picture* p : all) {
        if (auto picture = usable(*p)) {
            pictures.push_back(std::move(*picture));
        }
    }
    const auto front = std::find_if(pictures.begin(), pictures.end(),
                                    [](const CoverPicture& p) { return p.type == kFrontCover; });
    std::rotate(pictures.begin(), front, front == pictures.end() ? front : front + 1);
    return pictures;
}

}  // namespace lumivox::tools
