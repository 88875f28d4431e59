// coder.exe: ffmpeg like coder2.exe, but the batch's MP3 encode runs in pieces on every core,
// and an MP3 made from a FLAC gets the same tags and pictures either way.
#include "tools/adapter.h"
#include "tools/mp3/mp3mode.h"
#include "tools/mp3/parallelmp3.h"
#include "tools/tags/mp3tags.h"
#include "tools/toolswitch.h"

namespace {

// The tags' -metadata arguments are the tag writer's, whichever encode runs.
lumivox::tools::Args withoutMetadata(const lumivox::tools::Args& args) {
    lumivox::tools::Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-metadata" && i + 1 < args.size()) {
            ++i;
        } else {
            rest.push_back(args[i]);
        }
    }
    return rest;
}

std::optional<int> encodeMp3(const lumivox::tools::Args& args, const std::string& name) {
    using namespace lumivox::tools;
    const auto job = parseMp3Job(withoutMetadata(args));
    if (!job) {
        return std::nullopt;
    }
    if (plainToolsOnly()) {
        reportMp3Path(job->input, false, "switched off");
        return std::nullopt;
    }
    const Mp3Outcome outcome = encodeMp3InPieces(*job, parallelPieces(), name.c_str());
    reportMp3Path(job->input, outcome.status.has_value(), outcome.reason);
    return outcome.status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    AdapterCall call = adapterCall(argc, argv);
    // The batch asks for VBR through the environment; both encodes then see "-q:a N".
    call.args = withVbrQuality(call.args, vbrQualityFromEnvironment());
    return withMp3Tags(ffmpegAdapter(call, encodeMp3), call.args);
}
