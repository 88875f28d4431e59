#include "tools/inputpaths.h"

#include <sys/stat.h>

namespace lumivox::tools {

std::string absoluteAgainst(const std::string& path, const std::string& folder) {
    if (path.empty() || path.front() == '/' || folder.empty()) {
        return path;
    }
    return folder.back() == '/' ? folder + path : folder + "/" + path;
}

Args absoluteMencoderPaths(const Args& args, const std::string& folder) {
    Args out = args;
    const std::size_t input = mencoderInputPosition(args);
    if (input != std::string::npos) {
        out[input] = absoluteAgainst(args[input], folder);
    }
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == "-o") {
            out[i + 1] = absoluteAgainst(out[i + 1], folder);
            ++i;
        }
    }
    return out;
}

std::vector<std::string> ffmpegInputPaths(const Args& args) {
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-i") {
            inputs.push_back(args[++i]);
        }
    }
    return inputs;
}

std::vector<std::string> soxInputPaths(const Args& args) {
    std::vector<std::string> inputs;
    const std::string output = soxOutputPath(args);
    const std::size_t end = output.empty() ? args.size() : args.size() - 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (!args[i].empty() && args[i].front() != '-') {
            inputs.push_back(args[i]);
        }
    }
    return inputs;
}

std::string firstNonRegularFile(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return path;
        }
    }
    return {};
}

}  // namespace lumivox::tools
