#include "tools/loudness/gainplan.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tools/argtranslate.h"
#include "tools/flacwav.h"
#include "tools/inputpaths.h"
#include "tools/mp3/span.h"

namespace lumivox::tools {
namespace {

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The kept profile, else a new measurement, kept for the next encode of the same source.
std::optional<LoudnessProfile> profileOf(const std::string& source, int pieces) {
    if (!isRegularFile(source) || !endsWithNoCase(source, ".flac")) {
        return std::nullopt;
    }
    const std::string kept = profilePathOf(source);
    if (auto profile = loadProfile(kept)) {
        return profile;
    }
    auto measured = measureFlac(source, pieces);
    if (measured && !kept.empty()) {
        saveProfile(*measured, kept);
    }
    return measured;
}

std::vector<std::string> albumSources() {
    std::vector<std::string> sources;
    const char* list = std::getenv("LUMIVOX_ALBUM");
    std::ifstream in(list && *list ? list : "/nonexistent");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            sources.push_back(line);
        }
    }
    return sources;
}

double scaled(double peak, double gainDb) {
    return peak * std::pow(10.0, gainDb / 20);
}

void addGainFields(GainPlan& plan, const std::string& kind, const Loudness& l, double applied) {
    const std::string gain = "REPLAYGAIN_" + kind + "_GAIN";
    const std::string peak = "REPLAYGAIN_" + kind + "_PEAK";
    if (!std::isfinite(l.lufs)) {
        plan.fields.emplace_back(gain, "");
        plan.fields.emplace_back(peak, "");
        return;
    }
    plan.fields.emplace_back(gain, gainText(kReferenceLufs - l.lufs - applied));
    plan.fields.emplace_back(peak, peakText(scaled(l.peak, applied)));
}

}  // namespace

std::optional<GainPlan> planGain(const std::vector<std::string>& args, LoudnessMode mode,
                                 int pieces) {
    const std::vector<std::string> inputs = ffmpegInputPaths(args);
    if (mode == LoudnessMode::Off || inputs.size() != 1 ||
        !endsWithNoCase(ffmpegOutputPath(args), ".mp3")) {
        return std::nullopt;
    }
    const std::string& input = inputs.front();
    const auto own = profileOf(input, pieces);
    if (!own) {
        return std::nullopt;
    }
    const auto span = parseAtrim(args);
    const Loudness track =
        measureSpans({{&*own, span ? span->start : 0, span ? span->end : UINT64_MAX}});

    GainPlan plan;
    std::optional<Loudness> album;
    if (mode != LoudnessMode::Track) {
        std::vector<LoudnessProfile> others;
        const std::vector<std::string> sources = albumSources();
        const std::string ownPath = profilePathOf(input);
        bool listed = false;
        for (const std::string& s : sources) {
            listed = listed || (!ownPath.empty() && profilePathOf(s) == ownPath);
        }
        std::vector<ProfileSpan> spans{{&*own, 0, UINT64_MAX}};
        if (listed) {
            others.reserve(sources.size());
            for (const std::string& s : sources) {
                if (profilePathOf(s) == ownPath) {
                    continue;
                }
                if (auto p = profileOf(s, pieces)) {
                    others.push_back(std::move(*p));
                    spans.push_back({&others.back(), 0, UINT64_MAX});
                }
            }
        }
        album = measureSpans(spans);
    }
    if (mode == LoudnessMode::Track) {
        plan.gainDb = normalizingGain(track);
    } else if (mode == LoudnessMode::Album) {
        plan.gainDb = normalizingGain(*album);
    }
    addGainFields(plan, "TRACK", track, plan.gainDb);
    if (album) {
        addGainFields(plan, "ALBUM", *album, plan.gainDb);
    } else {
        plan.fields.emplace_back("REPLAYGAIN_ALBUM_GAIN", "");
        plan.fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", "");
    }
    char note[200];
    std::snprintf(note, sizeof note,
                  "Loudness: track %.2f LUFS, true peak %.6f; album %.2f LUFS, true peak %.6f; "
                  "gain %.2f dB\n",
                  track.lufs, track.peak, album ? album->lufs : track.lufs,
                  album ? album->peak : track.peak, plan.gainDb);
    plan.note = note;
    return plan;
}

std::vector<std::string> withVolume(const std::vector<std::string>& args, double gainDb) {
    char volume[48];
    std::snprintf(volume, sizeof volume, "volume=%.4fdB", gainDb);
    std::vector<std::string> out = args;
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == "-af") {
            out[i + 1] += std::string(",") + volume;
            return out;
        }
    }
    out.insert(out.end() - 1, {"-af", volume});
    return out;
}

std::vector<std::string> withFields(
    const std::vector<std::string>& args,
    const std::vector<std::pair<std::string, std::string>>& fields) {
    std::vector<std::string> out(args.begin(), args.end() - (args.empty() ? 0 : 1));
    for (const auto& [name, value] : fields) {
        out.insert(out.end(), {"-metadata", name + "=" + value});
    }
    if (!args.empty()) {
        out.push_back(args.back());
    }
    return out;
}

}  // namespace lumivox::tools
