#include "tools/adapter.h"

#include <libgen.h>

#include <cstdio>

#include "tools/inputpaths.h"
#include "tools/timerewriter.h"
#include "tools/toolswitch.h"
#include "tools/wavprobe.h"
#include "tools/writeerror.h"

namespace lumivox::tools {

AdapterCall adapterCall(int argc, char** argv) {
    AdapterCall call;
    if (argc > 0) {
        call.args.assign(argv + 1, argv + argc);
        std::string self = argv[0];
        call.name = basename(self.data());
    } else {
        call.name = "adapter";
    }
    return call;
}

bool refusedInput(const std::vector<std::string>& inputs, const std::string& name) {
    const std::string bad = firstNonRegularFile(inputs);
    if (!bad.empty()) {
        std::printf("%s: %s: not a regular file\n", name.c_str(), bad.c_str());
    }
    return !bad.empty();
}

int runWatched(ToolRun run, const std::string& name,
               std::function<std::string(std::string_view)> rewrite,
               std::function<std::string()> flushRewrite) {
    WriteErrorWatch watch;
    run.filter = [&watch, &rewrite](std::string_view piece) {
        watch.feed(piece);
        return rewrite ? rewrite(piece) : std::string(piece);
    };
    run.flush = std::move(flushRewrite);
    // What the tool printed; failing that, a file system left without room (MEncoder says
    // nothing when its writes fail, and other tools' messages may come in another language).
    run.writeFailure = [&watch](const std::string& output, int status) {
        const std::string seen = watch.error();
        return seen.empty() && status == 0 ? noRoomLeftFor(output) : seen;
    };
    return runTool(run, name.c_str());
}

int ffmpegAdapter(const AdapterCall& call, const OwnEncode& ownEncode) {
    if (refusedInput(ffmpegInputPaths(call.args), call.name)) {
        return 1;
    }
    if (!plainToolsOnly()) {
        if (const auto status = answerWavProbe(call.args)) {
            return *status;
        }
    }
    if (ownEncode) {
        if (const auto status = ownEncode(call.args, call.name)) {
            return *status;
        }
    }
    TimeFieldRewriter rewriter;
    ToolRun run;
    run.program = "ffmpeg";
    run.args = translateCoderArgs(call.args);
    run.outputPath = ffmpegOutputPath(call.args);
    return runWatched(
        run, call.name, [&rewriter](std::string_view piece) { return rewriter.feed(piece); },
        [&rewriter] { return rewriter.flush(); });
}

}  // namespace lumivox::tools
