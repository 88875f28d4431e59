// coder.exe: ffmpeg like coder2.exe, but the batch's MP3 encode runs in pieces on every core,
// and an MP3 made from a FLAC gets the same tags and pictures either way; a source sox.exe
// refused (lossy, damaged) gets no MP3.
#include <cstdio>

#include "tooljob/mp3track.h"
#include "tools/adapter.h"
#include "tools/decodedwav.h"
#include "tools/inputpaths.h"
#include "tools/loudness/gainplan.h"
#include "tools/mp3/mp3mode.h"
#include "tools/mp3/parallelmp3.h"
#include "tools/tags/mp3tags.h"
#include "tools/toolswitch.h"

namespace {

std::optional<int> encodeMp3(const lumivox::tools::Args& args, const std::string& name,
                             double gainDb) {
    using namespace lumivox::tools;
    auto job = parseMp3Job(lumivox::tooljob::withoutMetadata(args));
    if (!job) {
        return std::nullopt;
    }
    if (plainToolsOnly()) {
        reportMp3Path(job->input, false, "switched off");
        return std::nullopt;
    }
    job->gainDb = gainDb;
    const Mp3Outcome outcome = encodeMp3InPieces(*job, parallelPieces(), name.c_str());
    reportMp3Path(job->input, outcome.status.has_value(), outcome.reason);
    return outcome.status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    AdapterCall call = adapterCall(argc, argv);
    // Sync mode's tag-only update: no encode, the MP3's audio stays as it is.
    if (!call.args.empty() && call.args.front() == "--retag") {
        return retagOnly(Args(call.args.begin() + 1, call.args.end()));
    }
    // sox.exe found the source lossy or damaged: no MP3 of it, not even a partial one.
    for (const std::string& input : ffmpegInputPaths(call.args)) {
        if (const std::string why = refusalOf(input); !why.empty()) {
            std::printf("%s: %s: %s\n", call.name.c_str(), input.c_str(), why.c_str());
            return 1;
        }
    }
    // The batch asks for VBR through the environment; both encodes then see "-q:a N".
    call.args = withVbrQuality(call.args, vbrQualityFromEnvironment());
    // Loudness: measured before the encode, the gain on the sound (ffmpeg's volume filter when
    // ffmpeg encodes), and the ReplayGain fields over the source's.
    const Args command = call.args;
    const auto gain = firstNonRegularFile(ffmpegInputPaths(command)).empty()
                          ? planGain(command, loudnessModeFromEnvironment(), parallelPieces())
                          : std::nullopt;
    const double gainDb = gain ? gain->gainDb : 0.0;
    if (gain) {
        std::fputs(gain->note.c_str(), stdout);
        std::fflush(stdout);
        if (gainDb != 0) {
            call.args = withVolume(command, gainDb);
        }
    }
    const int status =
        ffmpegAdapter(call, [&command, gainDb](const Args&, const std::string& name) {
            return encodeMp3(command, name, gainDb);
        });
    return withMp3Tags(status, gain ? withFields(command, gain->fields) : command);
}
