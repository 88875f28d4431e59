#include "tools/mp3/mp3mode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tools/argtranslate.h"

namespace lumivox::tools {

std::optional<int> vbrQualityFromEnvironment() {
    const char* mode = std::getenv("LUMIVOX_MP3_MODE");
    if (mode && std::strcmp(mode, "V0") == 0) {
        return 0;
    }
    if (mode && std::strcmp(mode, "V2") == 0) {
        return 2;
    }
    return std::nullopt;
}

std::vector<std::string> withVbrQuality(const std::vector<std::string>& args,
                                        std::optional<int> quality) {
    const std::string output = ffmpegOutputPath(args);
    if (!quality || !endsWithNoCase(output, ".mp3") ||
        std::find(args.begin(), args.end(), "-i") == args.end() ||
        std::find(args.begin(), args.end(), "-q:a") != args.end()) {
        return args;
    }
    std::vector<std::string> out(args.begin(), args.end() - 1);
    out.insert(out.end(), {"-q:a", std::to_string(*quality), output});
    return out;
}

}  // namespace lumivox::tools
