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
    // A failure the exit status does not show (a write error the tool only printed), asked once
    // the tool has ended with status 0: what went wrong, or empty. Given the output path as the
    // tool saw it.
    std::function<std::string(const std::string& output)> hiddenFailure;
};

// Runs the tool with stdin from /dev/null and its stdout+stderr through one pipe, writing each
// piece to our stdout as it arrives. SIGTERM and SIGINT are passed on to the tool. Returns the
// tool's exit status, 128+signal when a signal ended it, 127 when it could not be started, 1 for a
// hidden failure (reported in one line). A failed run's output is removed when the run made it.
int runTool(const ToolRun& run, const char* adapterName);

}  // namespace lumivox::tools
