// One of the data-folder tools: runs the real Debian tool with the options the program passes,
// translated where today's tool spells them differently. LUMIVOX_ADAPTER_KIND picks the tool:
// 0 ffmpeg (coder.exe, coder2.exe), 1 mencoder (conv.exe), 2 sox (sox.exe).
#include <libgen.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "argtranslate.h"
#include "inputpaths.h"
#include "runtool.h"
#include "timerewriter.h"
#include "workfolder.h"
#include "writeerror.h"

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
    TimeFieldRewriter rewriter;
    run.program = "ffmpeg";
    run.args = translateCoderArgs(args);
    run.outputPath = ffmpegOutputPath(args);
    run.filter = [&rewriter, &watch](std::string_view piece) {
        watch.feed(piece);
        return rewriter.feed(piece);
    };
    run.flush = [&rewriter] { return rewriter.flush(); };
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
#else
    const std::vector<std::string> inputs = soxInputPaths(args);
    run.program = "sox";
    run.args = args;
    run.outputPath = soxOutputPath(args);
#endif
    if (const std::string bad = firstNonRegularFile(inputs); !bad.empty()) {
        std::printf("%s: %s: not a regular file\n", name, bad.c_str());
        return 1;
    }
    return runTool(run, name);
}
