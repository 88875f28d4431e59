#pragma once

#include <taglib/apetag.h>
#include <taglib/tfile.h>

#include <memory>
#include <string>

#include "tools/sourceformat.h"
#include "tools/tags/sourcetags.h"

namespace lumivox::tools {

// The fields, pictures and length of a lossless source other than a FLAC, by what it really
// holds, in the Vorbis names the one mapping table takes (TagLib's property names):
//   APE, WavPack, TTA, TAK   APEv2 (TTA's ID3v2 when it has no APEv2), its binary
//                            "Cover Art (Front)" and "Cover Art (Back)" items
//   ALAC                     MP4 atoms: ©nam ©ART ©alb aART trkn disk ©day ©gen ..., covr
//   WAV, AIFF, DSF, DSDIFF   the ID3v2 tag in its "id3 " chunk (DSF: where its header points);
//                            WAV's RIFF INFO when it has no ID3v2
// The length is that of the WAV sox.exe decoded it into, when noted, else what the header
// says. False when the file is not one TagLib reads.
bool readLosslessTags(const std::string& input, SourceFormat format, SourceTags& tags);

// Any file as TagLib reads bytes from it, for tags TagLib finds no file class for (TAK, DSF,
// DSDIFF) or does not look for (TTA's APEv2).
class RawTagFile : public TagLib::File {
  public:
    explicit RawTagFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

// The APEv2 tag that ends the file, or ends it before an ID3v1 tag; nullptr when there is none.
std::unique_ptr<TagLib::APE::Tag> apeTagAtEnd(TagLib::File& file);

}  // namespace lumivox::tools
