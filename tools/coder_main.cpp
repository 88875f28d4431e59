// coder.exe: ffmpeg like coder2.exe, but the batch's MP3 encode runs in pieces on every core,
// and an MP3 made from a FLAC gets its cover either way.
#include "tools/adapter.h"
#include "tools/covers/mp3cover.h"
#include "tools/inputpaths.h"
#include "tools/mp3/parallelmp3.h"
#include "tools/toolswitch.h"

namespace {

std::optional<int> encodeMp3(const lumivox::tools::Args& args, const std::string& name) {
    using namespace lumivox::tools;
    const auto job = parseMp3Job(args);
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
    const AdapterCall call = adapterCall(argc, argv);
    const int status = ffmpegAdapter(call, encodeMp3);
    const auto inputs = ffmpegInputPaths(call.args);
    if (inputs.size() != 1) {
        return status;
    }
    return withMp3Cover(status, inputs.front(), ffmpegOutputPath(call.args));
}
