#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tools/argtranslate.h"
#include "tools/runtool.h"

namespace lumivox::tools {

// What every adapter's main starts from: the arguments after the program name, and the name it
// was started by (the Windows name the program polls for, used in its messages).
struct AdapterCall {
    Args args;
    std::string name;
};
AdapterCall adapterCall(int argc, char** argv);

// A pipe would keep every reader waiting for a writer: true (and a line printed) when one of the
// inputs is not a regular file, so the adapter stops before anything reads it.
bool refusedInput(const std::vector<std::string>& inputs, const std::string& name);

// Runs the tool, watching its text for a write error it does not exit with; `rewrite` (may be
// empty) turns the tool's text into what is shown, `flushRewrite` gives what it still holds.
int runWatched(ToolRun run, const std::string& name,
               std::function<std::string(std::string_view)> rewrite = {},
               std::function<std::string()> flushRewrite = {});

// coder.exe and coder2.exe: ffmpeg, after the duration probe answered from the WAV header (unless
// LUMIVOX_PARALLEL=0) and `ownEncode` (may be empty), which does the command itself or returns
// nullopt to leave it to ffmpeg.
using OwnEncode = std::function<std::optional<int>(const Args& args, const std::string& name)>;
int ffmpegAdapter(const AdapterCall& call, const OwnEncode& ownEncode);

}  // namespace lumivox::tools
