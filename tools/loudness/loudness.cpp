#include "tools/loudness/loudness.h"

#include <ebur128.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tools/workfolder.h"

namespace lumivox::tools {
namespace {

// Steps of warm-up before a meter's first step: three for its first 400 ms block, one for the
// K-weighting filter to settle.
constexpr long kWarmUpSteps = 4;
// BS.1770-4: blocks under -70 LUFS are left out, then those 10 LU under the mean of the rest.
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;

long stepOf(long rate) {
    return (rate + 5) / 10;
}

double lufsOf(double meanSquare) {
    return meanSquare > 0 ? -0.691 + 10 * std::log10(meanSquare) : -HUGE_VAL;
}

double meanSquareOf(double lufs) {
    return std::pow(10.0, (lufs + 0.691) / 10);
}

ebur128_state* ebur(void* state) {
    return static_cast<ebur128_state*>(state);
}

}  // namespace

LoudnessMode loudnessModeFromEnvironment() {
    const char* mode = std::getenv("LUMIVOX_LOUDNESS");
    const std::string m = mode ? mode : "";
    return m == "tags"    ? LoudnessMode::Tags
           : m == "track" ? LoudnessMode::Track
           : m == "album" ? LoudnessMode::Album
                          : LoudnessMode::Off;
}

LoudnessMeter::LoudnessMeter(int channels, long rate, long firstStep)
    : state_(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                          EBUR128_MODE_M | EBUR128_MODE_TRUE_PEAK)),
      channels_(channels),
      at_(feedFrom(rate, firstStep)),
      first_(static_cast<long long>(firstStep) * stepOf(rate)) {
    profile_.rate = rate;
    profile_.step = stepOf(rate);
    pending_.resize(static_cast<std::size_t>(profile_.step * channels));
}

LoudnessMeter::~LoudnessMeter() {
    if (ebur128_state* st = ebur(state_)) {
        ebur128_destroy(&st);
    }
}

long long LoudnessMeter::feedFrom(long rate, long firstStep) {
    return static_cast<long long>(std::max(0L, firstStep - kWarmUpSteps)) * stepOf(rate);
}

void LoudnessMeter::feed(const std::int32_t* left, const std::int32_t* right, long n, int shift) {
    if (!state_) {
        return;
    }
    const int second = channels_ > 1 ? 1 : 0;
    for (long i = 0; i < n;) {
        const long take = std::min(n - i, profile_.step - pendingFrames_);
        int* out = pending_.data() + pendingFrames_ * channels_;
        for (long j = 0; j < take; ++j) {
            out[j * channels_] = static_cast<int>(static_cast<std::uint32_t>(left[i + j]) << shift);
            out[j * channels_ + second] =
                static_cast<int>(static_cast<std::uint32_t>(right[i + j]) << shift);
        }
        pendingFrames_ += take;
        i += take;
        if (pendingFrames_ == profile_.step) {
            addPending(true);
        }
    }
}

void LoudnessMeter::finish() {
    if (state_ && pendingFrames_ > 0) {
        addPending(false);
    }
}

void LoudnessMeter::addPending(bool wholeStep) {
    const auto frames = static_cast<std::size_t>(pendingFrames_);
    ebur128_add_frames_int(ebur(state_), pending_.data(), frames);
    pendingFrames_ = 0;
    const long long stepStart = at_;
    at_ += static_cast<long long>(frames);
    if (stepStart < first_) {
        return;  // warming up
    }
    double lufs = -HUGE_VAL;
    ebur128_loudness_momentary(ebur(state_), &lufs);
    double peak = 0;
    for (int c = 0; c < channels_; ++c) {
        double p = 0;
        ebur128_prev_true_peak(ebur(state_), static_cast<unsigned>(c), &p);
        peak = std::max(peak, p);
    }
    // A block needs 400 ms of the source: the first three steps end none, nor a shorter last.
    const bool block = wholeStep && stepStart >= 3 * static_cast<long long>(profile_.step);
    profile_.blocks.push_back(block ? meanSquareOf(lufs) : 0.0);
    profile_.peaks.push_back(static_cast<float>(peak));
}

LoudnessProfile joinProfiles(const std::vector<LoudnessProfile>& parts) {
    LoudnessProfile all;
    for (const LoudnessProfile& p : parts) {
        all.rate = p.rate;
        all.step = p.step;
        all.blocks.insert(all.blocks.end(), p.blocks.begin(), p.blocks.end());
        all.peaks.insert(all.peaks.end(), p.peaks.begin(), p.peaks.end());
    }
    return all;
}

Loudness measureSpans(const std::vector<ProfileSpan>& spans) {
    std::vector<double> blocks;
    Loudness result;
    for (const ProfileSpan& s : spans) {
        const LoudnessProfile& p = *s.profile;
        const auto count = static_cast<std::uint64_t>(p.blocks.size());
        const auto step = static_cast<std::uint64_t>(p.step);
        if (step == 0) {
            continue;
        }
        // Blocks wholly within the span: block i covers steps i-3 .. i.
        const std::uint64_t firstStep = (s.from + step - 1) / step;
        for (std::uint64_t i = firstStep + 3; i < count && (i + 1) * step <= s.to; ++i) {
            blocks.push_back(p.blocks[i]);
        }
        for (std::uint64_t i = s.from / step; i < count && i * step < s.to; ++i) {
            result.peak = std::max(result.peak, static_cast<double>(p.peaks[i]));
        }
    }
    const double absolute = meanSquareOf(kAbsoluteGate);
    double sum = 0;
    std::size_t n = 0;
    for (const double b : blocks) {
        if (b > absolute) {
            sum += b;
            ++n;
        }
    }
    if (n == 0) {
        return result;
    }
    const double relative = meanSquareOf(lufsOf(sum / static_cast<double>(n)) + kRelativeGate);
    const double gate = std::max(absolute, relative);
    sum = 0;
    n = 0;
    for (const double b : blocks) {
        if (b > gate) {
            sum += b;
            ++n;
        }
    }
    result.lufs = n > 0 ? lufsOf(sum / static_cast<double>(n)) : -HUGE_VAL;
    return result;
}

std::string gainText(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", db);
    return text;
}

std::string peakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

double normalizingGain(const Loudness& l) {
    if (!std::isfinite(l.lufs)) {
        return 0;
    }
    double gain = kReferenceLufs - l.lufs;
    if (l.peak > 0) {
        gain = std::min(gain, kMostPeakDb - 20 * std::log10(l.peak));
    }
    return gain;
}

std::string profilePathOf(const std::string& source) {
    const std::string folder = programWorkFolder();
    struct stat st {};
    if (folder.empty() || stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    char name[160];
    std::snprintf(name, sizeof name, "/loudness-%llu-%llu-%lld-%lld.%ld",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino), static_cast<long long>(st.st_size),
                  static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec);
    return folder + name;
}

// "lumivox-loudness 1 <rate> <step> <count>\n", then count pairs of (double, float).
bool saveProfile(const LoudnessProfile& profile, const std::string& path) {
    if (path.empty() || profile.blocks.size() != profile.peaks.size()) {
        return false;
    }
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << "lumivox-loudness 1 " << profile.rate << ' ' << profile.step << ' '
            << profile.blocks.size() << '\n';
        for (std::size_t i = 0; i < profile.blocks.size(); ++i) {
            out.write(reinterpret_cast<const char*>(&profile.blocks[i]), sizeof(double));
            out.write(reinterpret_cast<const char*>(&profile.peaks[i]), sizeof(float));
        }
        if (!out.flush()) {
            std::remove(partial.c_str());
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

std::optional<LoudnessProfile> loadProfile(const std::string& path) {
    std::ifstream in(path.empty() ? "/nonexistent" : path, std::ios::binary);
    std::string magic, version;
    LoudnessProfile p;
    std::size_t count = 0;
    if (!(in >> magic >> version >> p.rate >> p.step >> count) || magic != "lumivox-loudness" ||
        version != "1" || p.step != stepOf(p.rate) || count > (1u << 26) || in.get() != '\n') {
        return std::nullopt;
    }
    p.blocks.resize(count);
    p.peaks.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        in.read(reinterpret_cast<char*>(&p.blocks[i]), sizeof(double));
        in.read(reinterpret_cast<char*>(&p.peaks[i]), sizeof(float));
    }
    if (!in) {
        return std::nullopt;
    }
    return p;
}

}  // namespace lumivox::tools
