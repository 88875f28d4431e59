#include "tools/mp3/span.h"

#include <cstdlib>

namespace lumivox::tools {

namespace {

bool readNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 18) {
        return false;
    }
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

}  // namespace

std::optional<SampleSpan> parseAtrim(const std::vector<std::string>& args) {
    const std::string startKey = "atrim=start_sample=";
    const std::string endKey = ":end_sample=";
    const std::string fromStart = ",asetpts=PTS-STARTPTS";  // as tooljob::atrimFilter writes it
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-af") {
            continue;
        }
        std::string filter = args[i + 1];
        if (filter.size() > fromStart.size() &&
            filter.compare(filter.size() - fromStart.size(), fromStart.size(), fromStart) == 0) {
            filter.resize(filter.size() - fromStart.size());
        }
        const std::size_t split = filter.find(endKey);
        SampleSpan span;
        if (filter.rfind(startKey, 0) != 0 || split == std::string::npos ||
            !readNumber(filter.substr(startKey.size(), split - startKey.size()), span.start) ||
            !readNumber(filter.substr(split + endKey.size()), span.end) || span.end <= span.start) {
            return std::nullopt;
        }
        return span;
    }
    return std::nullopt;
}

}  // namespace lumivox::tools
