// One of the data-folder tools: runs the real Debian tool with the options the program passes,
// translated where today's tool spells them differently. LUMIVOX_ADAPTER_KIND picks the tool:
// 0 ffmpeg (coder.exe, coder2.exe), 1 mencoder (conv.exe), 2 sox (sox.exe).
#include <libgen.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tools/argtranslate.h"
#include "tools/inputpaths.h"
#if LUMIVOX_ADAPTER_KIND == 2
#include "tools/flacwav.h"
#endif
#if LUMIVOX_PARALLEL_MP3
#include "tools/covers/mp3cover.h"
#include "tools/parallelmp3.h"
#endif
#include "tools/runtool.h"
#include "tools/timerewriter.h"
#include "tools/toolswitch.h"
#include "tools/wavprobe.h"
#include "tools/workfolder.h"
#include "tools/writeerror.h"

namespace {
// A pipe would keep every reader waiting for a writer: refuse it before anything reads it.
bool refusedInput(const std::vector<std::string>& inputs, const char* name) {
    const std::string bad = lumivox::tools::firstNonRegularFile(inputs);
    if (!bad.empty()) {
        std::printf("%s: %s: not a regular file\n", name, bad.c_str());
    }
    return !bad.empty();
}
}  // namespace

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    Args args(argv + 1, argv + argc);
    std::string self = argc > 0 ? argv[0] : "adapter";
    const char* name = basename(self.data());

    ToolRun run;
    WriteErrorWatch watch;
    run.filter = [&watch](std::string_view piece) {
        watch.feed(piece);
        return std::string(piece);
    };
    // What the tool printed; failing that, a file system left without room (MEncoder says
    // nothing when its writes fail, and other tools' messages may come in another language).
    run.writeFailure = [&watch](const std::string& output, int status) {
        const std::string seen = watch.error();
        return seen.empty() && status == 0 ? noRoomLeftFor(output) : seen;
    };
#if LUMIVOX_ADAPTER_KIND == 0
    const std::vector<std::string> inputs = ffmpegInputPaths(args);
    if (refusedInput(inputs, name)) {
        return 1;
    }
    if (!plainToolsOnly()) {
        if (const auto status = answerWavProbe(args)) {
            return *status;
        }
#if LUMIVOX_PARALLEL_MP3
        if (const auto job = parseMp3Job(args)) {
            if (const auto status = encodeMp3InPieces(*job, parallelPieces(), name)) {
                return withMp3Cover(*status, job->input, job->output);
            }
        }
#endif
    }
    TimeFieldRewriter rewriter;
    run.program = "ffmpeg";
    run.args = translateCoderArgs(args);
    run.outputPath = ffmpegOutputPath(args);
    run.filter = [&rewriter, &watch](std::string_view piece) {
        watch.feed(piece);
        return rewriter.feed(piece);
    };
    run.flush = [&rewriter] { return rewriter.flush(); };
#if LUMIVOX_PARALLEL_MP3
    if (inputs.size() == 1) {
        return withMp3Cover(runTool(run, name), inputs.front(), run.outputPath);
    }
#endif
#elif LUMIVOX_ADAPTER_KIND == 1
    // MEncoder runs in the private folder: paths relative to our caller's folder must not move.
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) != nullptr) {
        args = absoluteMencoderPaths(args, here);
    }
    const std::vector<std::string> inputs = {mencoderInputPath(args)};
    run.program = "mencoder";
    run.args = translateConvArgs(args);
    run.outputPath = mencoderOutputPath(args);
    run.workFolder = mencoderWorkFolder();
    if (refusedInput(inputs, name)) {
        return 1;
    }
#else
    const std::vector<std::string> inputs = soxInputPaths(args);
    if (refusedInput(inputs, name)) {
        return 1;
    }
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
