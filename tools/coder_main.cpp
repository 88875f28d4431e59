// coder.exe: ffmpeg like coder2.exe, but the batch's MP3 encode runs in pieces on every core.
#include "tools/adapter.h"
#include "tools/mp3/parallelmp3.h"
#include "tools/toolswitch.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    return ffmpegAdapter(adapterCall(argc, argv),
                         [](const Args& args, const std::string& name) -> std::optional<int> {
                             const auto job = parseMp3Job(args);
                             if (!job) {
                                 return std::nullopt;
                             }
                             return encodeMp3InPieces(*job, parallelPieces(), name.c_str());
                         });
}
