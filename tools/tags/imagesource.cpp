#include "tools/tags/imagesource.h"

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/tfilestream.h>
#include <taglib/trueaudiofile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include "tools/losslesswav.h"
#include "tools/sourceformat.h"
#include "tools/tags/losslesstags.h"

namespace lumivox::tools {
namespace {

std::string sheetIn(const TagLib::APE::Tag* tag) {
    if (!tag) {
        return {};
    }
    const TagLib::APE::ItemListMap& items = tag->itemListMap();
    const auto it = items.find("CUESHEET");
    if (it == items.end() || it->second.type() != TagLib::APE::Item::Text) {
        return {};
    }
    return it->second.values().toString("\n").to8Bit(true);
}

}  // namespace

std::optional<ImageSource> imageSourceOf(const std::string& path) {
    const SourceFormat format = sourceFormatOf(path);
    TagLib::FileStream stream(path.c_str(), true);
    if (!stream.isOpen()) {
        return std::nullopt;
    }
    ImageSource source;
    switch (format) {
        case SourceFormat::Ape: {
            TagLib::APE::File file(&stream, true);
            if (!file.isValid() || !file.audioProperties()) {
                return std::nullopt;
            }
            source = {file.audioProperties()->sampleRate(), file.audioProperties()->sampleFrames(),
                      sheetIn(file.APETag())};
            break;
        }
        case SourceFormat::WavPack: {
            TagLib::WavPack::File file(&stream, true);
            if (!file.isValid() || !file.audioProperties()) {
                return std::nullopt;
            }
            source = {file.audioProperties()->sampleRate(), file.audioProperties()->sampleFrames(),
                      sheetIn(file.APETag())};
            break;
        }
        case SourceFormat::Tta: {
            TagLib::TrueAudio::File file(&stream, true);
            if (!file.isValid() || !file.audioProperties()) {
                return std::nullopt;
            }
            const auto ape = apeTagAtEnd(file);
            source = {file.audioProperties()->sampleRate(), file.audioProperties()->sampleFrames(),
                      sheetIn(ape.get())};
            break;
        }
        case SourceFormat::Wav: {
            TagLib::RIFF::WAV::File file(&stream, true);
            if (!file.isValid() || !file.audioProperties()) {
                return std::nullopt;
            }
            source = {
                file.audioProperties()->sampleRate(), file.audioProperties()->sampleFrames(), {}};
            break;
        }
        case SourceFormat::Tak: {
            // TagLib reads no TAK stream; ffprobe does, and the tag is APEv2 at the end.
            const ProbeFacts probe = probeSource(path, "lumivox");
            if (!probe.statedFrames || probe.rate <= 0) {
                return std::nullopt;
            }
            RawTagFile file(&stream);
            const auto ape = apeTagAtEnd(file);
            source = {probe.rate, static_cast<long long>(*probe.statedFrames), sheetIn(ape.get())};
            break;
        }
        default:
            return std::nullopt;
    }
    if (source.rate <= 0 || source.samples <= 0) {
        return std::nullopt;
    }
    return source;
}

}  // namespace lumivox::tools
