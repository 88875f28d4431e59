// sox.exe: sox as the program calls it; a 16-bit FLAC is decoded to WAV on every core instead,
// and the other lossless formats (APE, WavPack, TTA, TAK, ALAC, WAV, AIFF, DSD) by ffmpeg.
#include "tools/adapter.h"
#include "tools/decodedwav.h"
#include "tools/flacwav.h"
#include "tools/inputpaths.h"
#include "tools/losslesswav.h"
#include "tools/toolswitch.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    const AdapterCall call = adapterCall(argc, argv);
    if (refusedInput(soxInputPaths(call.args), call.name)) {
        return 1;
    }
    // Whatever this run writes, an earlier note on the WAV no longer holds.
    forgetDecodedWav();
    // sox reads none of them: ffmpeg is the plain tool here, with or without LUMIVOX_PARALLEL.
    if (const auto status = decodeLosslessToWav(call.args, call.name)) {
        return *status;
    }
    if (!plainToolsOnly()) {
        if (const auto status = decodeFlacToWav(call.args, parallelPieces())) {
            if (*status == 0) {
                noteDecodedWav(call.args[0], call.args[1]);
            }
            return *status;
        }
    }
    ToolRun run;
    run.program = "sox";
    run.args = call.args;
    run.outputPath = soxOutputPath(call.args);
    return runWatched(run, call.name);
}
