#include "tools/covers/flacpicture.h"

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/tfilestream.h>

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

std::optional<CoverPicture> flacCoverPicture(const std::string& flacPath) {
    TagLib::FileStream stream(flacPath.c_str(), true);
    if (!stream.isOpen()) {
        return std::nullopt;
    }
    // TagLib drops a picture block it cannot parse; the rest of the file still reads.
    TagLib::FLAC::File flac(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!flac.isValid()) {
        return std::nullopt;
    }
    std::optional<CoverPicture> first;
    for (const TagLib::FLAC::Picture* p : flac.pictureList()) {
        auto picture = usable(*p);
        if (picture && picture->type == kFrontCover) {
            return picture;
        }
        if (picture && !first) {
            first = std::move(picture);
        }
    }
    return first;
}

}  // namespace lumivox::tools
