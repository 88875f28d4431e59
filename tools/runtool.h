#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivox::tools {

struct ToolRun {
    std::string program;            // looked up on PATH
    std::vector<std::string> args;  // without the program name
    std::string workFolder;         // empty: the current folder
    std::string outputPath;         // removed on failure when the run created it; may be empty
    // Turns each piece of the tool's output into what is written on; identity when empty.
    std::function<std::string(std::string_view)> filter;
    std::function<std::string()> flush;
    // A write error, asked once the tool has ended, with its exit status: what went wrong, or
    // empty. It is reported in one last line (the tool's own last line may say only "Conversion
    // failed!"), and a run that ended with status 0 fails. Given the output path as the tool saw
    // it.
    std::function<std::string(const std::string& output, int status)> writeFailure;
};

// Runs the tool with stdin from /dev/null and its stdout+stderr through one pipe, writing each
// piece to our stdout as it arrives. SIGTERM and SIGINT are passed on to the tool. Returns the
// tool's exit status, 128+signal when a signal ended it, 127 when it could not be started, 1 for a
// write error the tool did not exit with. A failed run's output is removed when the run made it.
int runTool(const ToolRun& run, const char* adapterName);

// Runs the tool keeping its stdout and stderr apart, for a tool whose output is data: each
// piece of stdout goes to onOut (false ends the tool), each piece of stderr to onErr. True when
// the tool ran, was not ended so, and succeeded.
bool captureTool(const ToolRun& run, const std::function<bool(std::string_view)>& onOut,
                 const std::function<void(std::string_view)>& onErr, const char* adapterName);

// SIGTERM or SIGINT once one has reached the adapter while a tool ran (or after
// catchEndingSignals()), else 0.
int endingSignalSeen();
// From now on SIGTERM and SIGINT are noted, for work done in the adapter itself to end cleanly.
void catchEndingSignals();

}  // namespace lumivox::tools
