#include "tooljob/mp3track.h"

#include <cstdio>
#include <cstdlib>

namespace lumivox::tooljob {

namespace {

const std::string kStartKey = "atrim=start_sample=";
const std::string kEndKey = ":end_sample=";

bool readNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 18) {
        return false;
    }
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::string atrimFilter(const SampleSpan& span) {
    return kStartKey + std::to_string(span.start) + kEndKey + std::to_string(span.end);
}

std::vector<std::string> trackArguments(const TrackJob& track) {
    std::vector<std::string> args;
    if (track.span) {
        args = {"-af", atrimFilter(*track.span)};
    }
    for (const auto& [key, value] : track.tags) {
        args.push_back("-metadata");
        args.push_back(key + '=' + value);
    }
    return args;
}

std::optional<SampleSpan> parseAtrim(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-af") {
            continue;
        }
        const std::string& filter = args[i + 1];
        const std::size_t split = filter.find(kEndKey);
        SampleSpan span;
        if (filter.rfind(kStartKey, 0) != 0 || split == std::string::npos ||
            !readNumber(filter.substr(kStartKey.size(), split - kStartKey.size()), span.start) ||
            !readNumber(filter.substr(split + kEndKey.size()), span.end) ||
            span.end <= span.start) {
            return std::nullopt;
        }
        return span;
    }
    return std::nullopt;
}

TagValues parseMetadata(const std::vector<std::string>& args) {
    TagValues metadata;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-metadata") {
            continue;
        }
        const std::string& pair = args[++i];
        const auto equals = pair.find('=');
        if (equals != std::string::npos && equals > 0) {
            metadata.emplace_back(upperAscii(pair.substr(0, equals)), pair.substr(equals + 1));
        }
    }
    return metadata;
}

std::vector<std::string> withoutMetadata(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-metadata" && i + 1 < args.size()) {
            ++i;
        } else {
            rest.push_back(args[i]);
        }
    }
    return rest;
}

std::string partialPath(const std::string& output) {
    const auto slash = output.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : output.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a: the same name on every machine
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return folder + ".lumivox-" + hex + ".partial";
}

}  // namespace lumivox::tooljob
