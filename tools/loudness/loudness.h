#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::tools {

// LUMIVOX_LOUDNESS: "tags" writes ReplayGain tags, "track" and "album" also bring the sound to
// the reference loudness; "off", unset or anything else leaves loudness alone.
enum class LoudnessMode { Off, Tags, Track, Album };
LoudnessMode loudnessModeFromEnvironment();

// ReplayGain 2.0: EBU R128 loudness, brought to -18 LUFS; gains never push the true peak
// over -1 dBTP.
constexpr double kReferenceLufs = -18.0;
constexpr double kMostPeakDb = -1.0;

// A source's loudness as EBU R128 measures it, kept in steps of 100 ms so that any span of it
// (a track of an album image) and any set of them (an album) can be gated afterwards.
struct LoudnessProfile {
    long rate = 0;
    long step = 0;  // samples: (rate + 5) / 10, as libebur128 counts 100 ms
    // Mean square, K-weighted and summed over channels, of the 400 ms block ending with step i
    // (0 for the first three steps, which end no whole block).
    std::vector<double> blocks;
    std::vector<float> peaks;  // true peak of step i, linear (1.0 is full scale)
};

// The profile of one span of the source, measured by libebur128 as the samples go by. It is
// fed from `feedFrom` on, where it needs no more than 400 ms and a little before its own first
// step `first`, so that spans measured side by side join into one profile.
class LoudnessMeter {
  public:
    LoudnessMeter(int channels, long rate, long firstStep);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // The sample to start feeding at for a first step (the warm-up, at least 0).
    static long long feedFrom(long rate, long firstStep);
    bool ok() const { return state_ != nullptr; }
    // Samples from feedFrom on, in order; shifted left by `shift` bits they are 32-bit ones
    // (16 for 16-bit samples, 0 for left-aligned ones).
    void feed(const std::int32_t* left, const std::int32_t* right, long n, int shift);
    // At the source's end: the peak of its last, shorter step.
    void finish();
    // The steps measured so far from the first step on.
    const LoudnessProfile& profile() const { return profile_; }

  private:
    void addPending(bool wholeStep);

    void* state_ = nullptr;  // libebur128's, whose struct has no name to declare
    int channels_;
    long long at_;              // the next sample fed
    long long first_;           // the first sample of the first step
    std::vector<int> pending_;  // interleaved, room for one step
    long pendingFrames_ = 0;
    LoudnessProfile profile_;
};

// Profiles of spans side by side, in order, as one.
LoudnessProfile joinProfiles(const std::vector<LoudnessProfile>& parts);

struct Loudness {
    double lufs = -HUGE_VAL;  // integrated, gated as BS.1770-4 gates; -inf for silence
    double peak = 0;          // true peak, linear
};

// Samples [from, to) of a profile's source.
struct ProfileSpan {
    const LoudnessProfile* profile = nullptr;
    std::uint64_t from = 0;
    std::uint64_t to = UINT64_MAX;
};
// The 400 ms blocks within the spans, gated together: one span is a track, all of an album's
// are the album.
Loudness measureSpans(const std::vector<ProfileSpan>& spans);

// "-6.48 dB" and "0.988553", as ReplayGain tags write them.
std::string gainText(double db);
std::string peakText(double peak);

// The gain that brings `l` to the reference loudness, less when the true peak would go over
// the limit; 0 for silence.
double normalizingGain(const Loudness& l);

// Where a source's profile is kept in the program's work folder, by the file's device, inode,
// size and time (empty without a work folder or such a file); saved whole or not at all.
std::string profilePathOf(const std::string& source);
bool saveProfile(const LoudnessProfile& profile, const std::string& path);
std::optional<LoudnessProfile> loadProfile(const std::string& path);

}  // namespace lumivox::tools
