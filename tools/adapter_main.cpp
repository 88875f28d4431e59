// One of the data-folder tools: runs the real Debian tool with the options the program passes,
// translated where today's tool spells them differently. LUMIVOX_ADAPTER_KIND picks the tool:
// 0 ffmpeg (coder.exe, coder2.exe), 1 mencoder (conv.exe), 2 sox (sox.exe).
#include <libgen.h>

#include <string>

#include "argtranslate.h"
#if LUMIVOX_ADAPTER_KIND == 2
#include "flacwav.h"
#endif
#if LUMIVOX_PARALLEL_MP3
#include "parallelmp3.h"
#endif
#include "runtool.h"
#include "timerewriter.h"
#include "toolswitch.h"
#include "wavprobe.h"
#include "workfolder.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    const Args args(argv + 1, argv + argc);
    std::string self = argc > 0 ? argv[0] : "adapter";
    const char* name = basename(self.data());

    ToolRun run;
#if LUMIVOX_ADAPTER_KIND == 0
    if (!plainToolsOnly()) {
        if (const auto status = answerWavProbe(args)) {
            return *status;
        }
#if LUMIVOX_PARALLEL_MP3
        if (const auto job = parseMp3Job(args)) {
            if (const auto status = encodeMp3InPieces(*job, parallelPieces(), name)) {
                return *status;
            }
        }
#endif
    }
    TimeFieldRewriter rewriter;
    run.program = "ffmpeg";
    run.args = translateCoderArgs(args);
    run.outputPath = ffmpegOutputPath(args);
    run.filter = [&rewriter](std::string_view piece) { return rewriter.feed(piece); };
    run.flush = [&rewriter] { return rewriter.flush(); };
#elif LUMIVOX_ADAPTER_KIND == 1
    run.program = "mencoder";
    run.args = translateConvArgs(args);
    run.outputPath = mencoderOutputPath(args);
    run.workFolder = mencoderWorkFolder();
#else
    if (!plainToolsOnly()) {
        if (const auto status = decodeFlacToWav(args, parallelPieces())) {
            return *status;
        }
    }
    run.program = "sox";
    run.args = args;
    run.outputPath = soxOutputPath(args);
#endif
    return runTool(run, name);
}
