#include "tools/timerewriter.h"

#include <cctype>
#include <optional>

namespace lumivox::tools {
namespace {

constexpr std::string_view kMarker = "time=";
// Longest clock text we wait for; anything longer is not ffmpeg's and passes as it is.
constexpr std::size_t kMaxClockLength = 24;

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

enum class Scan { Match, NoMatch, Incomplete };

struct ClockScan {
    Scan result = Scan::NoMatch;
    std::size_t length = 0;  // of the clock text on Match
};

// Looks at the text after "time=": [-]H+:M+:S+[.F+] followed by a byte that is no part of it.
ClockScan scanClock(std::string_view s, bool atEnd) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') {
        ++i;
    }
    // Groups: hours, minutes, seconds, fraction.
    for (int group = 0; group < 4; ++group) {
        const std::size_t start = i;
        while (i < s.size() && isDigit(s[i]) && i < kMaxClockLength) {
            ++i;
        }
        if (i >= kMaxClockLength) {
            return {};
        }
        if (i == s.size()) {
            if (!atEnd) {
                return {Scan::Incomplete, 0};
            }
            return group >= 2 && i > start ? ClockScan{Scan::Match, i} : ClockScan{};
        }
        if (i == start) {
            return {};
        }
        const char next = s[i];
        if (group < 2) {
            if (next != ':') {
                return {};
            }
            ++i;
        } else if (group == 2 && next == '.') {
            ++i;
        } else {
            return {Scan::Match, i};
        }
    }
    return {Scan::Match, i};
}

std::optional<unsigned long long> toNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 12) {
        return std::nullopt;
    }
    unsigned long long value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

// Longest tail of text that is the start of "time=" and could be completed by the next chunk.
std::size_t markerPrefixAtEnd(std::string_view text) {
    for (std::size_t n = kMarker.size() - 1; n > 0; --n) {
        if (text.size() >= n && text.substr(text.size() - n) == kMarker.substr(0, n)) {
            return n;
        }
    }
    return 0;
}

// Rewrites every complete field in text; returns the index from which text must wait.
std::size_t rewrite(std::string_view text, bool atEnd, std::string& out) {
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = text.find(kMarker, pos);
        if (at == std::string_view::npos) {
            const std::size_t keep = atEnd ? 0 : markerPrefixAtEnd(text.substr(pos));
            out.append(text.substr(pos, text.size() - pos - keep));
            return text.size() - keep;
        }
        const std::size_t valueStart = at + kMarker.size();
        out.append(text.substr(pos, valueStart - pos));
        const std::string_view rest = text.substr(valueStart);
        const ClockScan scan = scanClock(rest, atEnd);
        if (scan.result == Scan::Incomplete) {
            out.resize(out.size() - kMarker.size());
            return at;
        }
        pos = valueStart;
        if (scan.result == Scan::Match) {
            const std::string seconds = clockToSeconds(rest.substr(0, scan.length));
            if (!seconds.empty()) {
                out.append(seconds);
                pos += scan.length;
            }
        }
    }
}

}  // namespace

std::string clockToSeconds(std::string_view clock) {
    const bool negative = !clock.empty() && clock.front() == '-';
    if (negative) {
        clock.remove_prefix(1);
    }
    const std::size_t c1 = clock.find(':');
    const std::size_t c2 = clock.find(':', c1 == std::string_view::npos ? c1 : c1 + 1);
    if (c1 == std::string_view::npos || c2 == std::string_view::npos) {
        return {};
    }
    const std::size_t dot = clock.find('.', c2);
    const std::string_view secondsText =
        clock.substr(c2 + 1, dot == std::string_view::npos ? std::string_view::npos : dot - c2 - 1);
    const auto h = toNumber(clock.substr(0, c1));
    const auto m = toNumber(clock.substr(c1 + 1, c2 - c1 - 1));
    const auto s = toNumber(secondsText);
    if (!h || !m || !s) {
        return {};
    }
    std::string result = negative ? "-" : "";
    result += std::to_string(*h * 3600 + *m * 60 + *s);
    if (dot != std::string_view::npos) {
        result += clock.substr(dot);
    }
    return result;
}

std::string TimeFieldRewriter::feed(std::string_view chunk) {
    pending_.append(chunk);
    std::string out;
    const std::size_t waitFrom = rewrite(pending_, false, out);
    pending_.erase(0, waitFrom);
    return out;
}

std::string TimeFieldRewriter::flush() {
    std::string out;
    rewrite(pending_, true, out);
    pending_.clear();
    return out;
}

}  // namespace lumivox::tools
