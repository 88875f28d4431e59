// sox.exe: sox as the program calls it; a 16-bit FLAC is decoded to WAV on every core instead.
#include "tools/adapter.h"
#include "tools/flacwav.h"
#include "tools/inputpaths.h"
#include "tools/toolswitch.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    const AdapterCall call = adapterCall(argc, argv);
    if (refusedInput(soxInputPaths(call.args), call.name)) {
        return 1;
    }
    if (!plainToolsOnly()) {
        if (const auto status = decodeFlacToWav(call.args, parallelPieces())) {
            return *status;
        }
    }
    ToolRun run;
    run.program = "sox";
    run.args = call.args;
    run.outputPath = soxOutputPath(call.args);
    return runWatched(run, call.name);
}
