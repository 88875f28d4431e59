// conv.exe: MEncoder with the options the program passes, translated where today's MEncoder
// spells them differently.
#include <limits.h>
#include <unistd.h>

#include "tools/adapter.h"
#include "tools/inputpaths.h"
#include "tools/workfolder.h"

int main(int argc, char** argv) {
    using namespace lumivox::tools;
    AdapterCall call = adapterCall(argc, argv);
    // MEncoder runs in the private folder: paths relative to our caller's folder must not move.
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) != nullptr) {
        call.args = absoluteMencoderPaths(call.args, here);
    }
    if (refusedInput({mencoderInputPath(call.args)}, call.name)) {
        return 1;
    }
    ToolRun run;
    run.program = "mencoder";
    run.args = translateConvArgs(call.args);
    run.outputPath = mencoderOutputPath(call.args);
    run.workFolder = programWorkFolder();
    return runWatched(run, call.name);
}
