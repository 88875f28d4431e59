#include "engine/commands/trackcommand.h"

#include "engine/base/cmdline.h"
#include "tooljob/mp3track.h"

namespace lumivox {

QString trackEncodeCommand(const CommandContext& c, const ConversionSettings& s,
                           const QString& inputPath, const QString& outputFile,
                           const cue::ImageTrack& track) {
    tooljob::TrackJob job;
    job.span = tooljob::SampleSpan{static_cast<std::uint64_t>(track.span.start),
                                   static_cast<std::uint64_t>(track.span.end)};
    for (const auto& [key, value] : track.tags) {
        job.tags.emplace_back(key.toStdString(), value.toStdString());
    }
    const QString whole = mp3EncodeCommand(c, s, inputPath, outputFile);
    const QString quotedOutput = quotePath(outputFile);
    QString extra;
    const std::vector<std::string> args = tooljob::trackArguments(job);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const QString arg = QString::fromStdString(args[i]);
        // The filter has no blank to quote; a tag's value may have any.
        extra += u' ' + (i > 0 && args[i - 1] == "-metadata" ? quotePath(arg) : arg);
    }
    return whole.left(whole.size() - quotedOutput.size() - 1) + extra + u' ' + quotedOutput;
}

}  // namespace lumivox
