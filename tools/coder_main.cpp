// coder.exe: ffmpeg like coder2.exe, but the batch's MP3 encode runs in pieces on every core.
#include "tools/adapter.h"
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
    return ffmpegAdapter(adapterCall(argc, argv), encodeMp3);
}
