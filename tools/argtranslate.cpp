#include "tools/argtranslate.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace lumivox::tools {
namespace {

constexpr std::array<long, 9> kMp3Rates = {8000,  11025, 12000, 16000, 22050,
                                           24000, 32000, 44100, 48000};

struct FrameRate {
    const char* text;
    double value;
};
constexpr std::array<FrameRate, 8> kMpeg1Rates = {{{"24000/1001", 24000.0 / 1001},
                                                   {"24", 24},
                                                   {"25", 25},
                                                   {"30000/1001", 30000.0 / 1001},
                                                   {"30", 30},
                                                   {"50", 50},
                                                   {"60000/1001", 60000.0 / 1001},
                                                   {"60", 60}}};

// MEncoder options that take no value, so the token after them may be the input file.
constexpr std::array<std::string_view, 9> kMencoderFlags = {
    "-nosound", "-novideo", "-quiet",   "-really-quiet", "-forceidx",
    "-noskip",  "-idx",     "-nocache", "-noautoexpand"};

std::optional<long> parseRate(std::string_view text) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

// "30000/1001" or "29.97"; nullopt when it is neither.
std::optional<double> parseFrameRate(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    double value = std::strtod(s.c_str(), &end);
    if (end == s.c_str()) {
        return std::nullopt;
    }
    if (*end == '/') {
        const char* denomStart = end + 1;
        const double denom = std::strtod(denomStart, &end);
        if (end == denomStart || denom == 0) {
            return std::nullopt;
        }
        value /= denom;
    }
    if (*end != '\0' || !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

// Value of key in a MEncoder sub-option list such as "acodec=mp2:abitrate=64".
std::optional<std::string> subOption(std::string_view list, std::string_view key) {
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t end = list.find(':', pos);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        const std::string_view item = list.substr(pos, end - pos);
        if (item.size() > key.size() && item.substr(0, key.size()) == key &&
            item[key.size()] == '=') {
            return std::string(item.substr(key.size() + 1));
        }
        pos = end + 1;
    }
    return std::nullopt;
}

// Index of the first "option value" pair matching, or npos.
std::size_t findPair(const Args& args, std::string_view option, std::string_view value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option && args[i + 1] == value) {
            return i;
        }
    }
    return std::string::npos;
}

bool contains(const Args& args, std::string_view token) {
    return std::find(args.begin(), args.end(), token) != args.end();
}

std::size_t lastIndexOf(const Args& args, std::string_view token) {
    for (std::size_t i = args.size(); i > 0; --i) {
        if (args[i - 1] == token) {
            return i - 1;
        }
    }
    return std::string::npos;
}

std::size_t mencoderInputIndex(const Args& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.empty() || a.front() != '-') {
            return i;
        }
        if (std::find(kMencoderFlags.begin(), kMencoderFlags.end(), a) == kMencoderFlags.end()) {
            ++i;  // skip the option's value
        }
    }
    return std::string::npos;
}

}  // namespace

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

long nearestMp3SampleRate(long rate) {
    long best = kMp3Rates.front();
    for (long candidate : kMp3Rates) {
        if (std::labs(candidate - rate) <= std::labs(best - rate)) {
            best = candidate;
        }
    }
    return best;
}

std::string nearestMpeg1FrameRate(std::string_view fps) {
    const auto value = parseFrameRate(fps);
    if (!value) {
        return std::string(fps);
    }
    const FrameRate* best = &kMpeg1Rates.front();
    for (const FrameRate& candidate : kMpeg1Rates) {
        if (std::fabs(candidate.value - *value) < 1e-3) {
            return std::string(fps);
        }
        if (std::fabs(candidate.value - *value) < std::fabs(best->value - *value)) {
            best = &candidate;
        }
    }
    return best->text;
}

std::string ffmpegOutputPath(const Args& args) {
    if (args.empty()) {
        return {};
    }
    const std::string& last = args.back();
    const bool isInput = args.size() >= 2 && args[args.size() - 2] == "-i";
    if (isInput || last.empty() || last.front() == '-') {
        return {};
    }
    return last;
}

std::string soxOutputPath(const Args& args) {
    // "sox in out": with a single argument there is no output.
    if (args.size() < 2 || args.back().empty() || args.back().front() == '-') {
        return {};
    }
    return args.back();
}

std::string mencoderOutputPath(const Args& args) {
    const std::size_t at = lastIndexOf(args, "-o");
    return at != std::string::npos && at + 1 < args.size() ? args[at + 1] : std::string();
}

std::size_t mencoderInputPosition(const Args& args) {
    return mencoderInputIndex(args);
}

std::string mencoderInputPath(const Args& args) {
    const std::size_t at = mencoderInputIndex(args);
    return at == std::string::npos ? std::string() : args[at];
}

Args translateCoderArgs(const Args& args) {
    const std::string output = ffmpegOutputPath(args);
    const std::size_t lastInput = lastIndexOf(args, "-i");
    const std::size_t outputOptionsFrom = lastInput == std::string::npos ? 0 : lastInput + 2;
    const bool mp3Output = endsWithNoCase(output, ".mp3");
    const bool amrAudio = findPair(args, "-acodec", "amr_nb") != std::string::npos;
    const bool phoneOutput = endsWithNoCase(output, ".mp4") || endsWithNoCase(output, ".3gp");
    bool formatGiven = false;
    for (std::size_t i = outputOptionsFrom; i < args.size(); ++i) {
        formatGiven = formatGiven || args[i] == "-f";
    }

    Args out{"-hide_banner"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-b") {
            out.push_back("-b:v");
        } else if (a == "-ab") {
            out.push_back("-b:a");
        } else if (a == "-ar" && mp3Output && i >= outputOptionsFrom && i + 1 < args.size()) {
            const auto rate = parseRate(args[i + 1]);
            out.push_back(a);
            out.push_back(rate ? std::to_string(nearestMp3SampleRate(*rate)) : args[i + 1]);
            ++i;
        } else {
            if (i + 1 == args.size() && !output.empty() && amrAudio && phoneOutput &&
                !formatGiven) {
                out.push_back("-f");
                out.push_back("3gp");
            }
            out.push_back(a);
        }
    }
    return out;
}

Args translateConvArgs(const Args& args) {
    const std::size_t oacLavc = findPair(args, "-oac", "lavc");
    std::size_t audioOpts = std::string::npos;
    bool mpeg1Video = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-lavcopts") {
            continue;
        }
        if (audioOpts == std::string::npos && subOption(args[i + 1], "acodec") == "mp2") {
            audioOpts = i;
        }
        mpeg1Video = mpeg1Video || subOption(args[i + 1], "vcodec") == "mpeg1video";
    }
    const bool twolame = oacLavc != std::string::npos && audioOpts != std::string::npos;
    const bool nativeAvi = twolame && endsWithNoCase(mencoderOutputPath(args), ".avi") &&
                           findPair(args, "-of", "lavf") != std::string::npos;
    const std::size_t input = mencoderInputIndex(args);
    const bool demuxLavf = input != std::string::npos && endsWithNoCase(args[input], ".avi") &&
                           !contains(args, "-demuxer");

    Args out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (twolame && i == oacLavc) {
            out.insert(out.end(), {"-oac", "twolame"});
            ++i;
        } else if (twolame && i == audioOpts) {
            if (const auto br = subOption(args[i + 1], "abitrate")) {
                out.insert(out.end(), {"-twolameopts", "br=" + *br});
            }
            ++i;
        } else if (mpeg1Video && a == "-ofps" && hasValue) {
            out.insert(out.end(), {"-ofps", nearestMpeg1FrameRate(args[i + 1])});
            ++i;
        } else if (nativeAvi && a == "-of" && hasValue && args[i + 1] == "lavf") {
            out.insert(out.end(), {"-of", "avi"});
            ++i;
        } else if (nativeAvi && a == "-lavfopts" && hasValue) {
            ++i;
        } else {
            out.push_back(a);
            if (demuxLavf && i == input) {
                out.insert(out.end(), {"-demuxer", "lavf"});
            }
        }
    }
    return out;
}

}  // namespace lumivox::tools
