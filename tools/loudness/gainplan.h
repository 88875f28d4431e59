#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/loudness/loudness.h"

namespace lumivox::tools {

// What loudness does to one MP3 encode: the gain put on the sound, and the ReplayGain fields
// (as -metadata fields, an empty value removing one the source had) that describe the result.
struct GainPlan {
    double gainDb = 0;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string note;  // one console line: what was measured and done
};

// For an encode of a FLAC to MP3 (a track of an image: its -af atrim span), with the mode not
// Off. The source's loudness comes from the profile its decode left in the work folder, else it
// is measured now on `pieces` threads. The album is the sources the file LUMIVOX_ALBUM names,
// one path a line, when the input is one of them; else the whole input (an image's tracks).
// nullopt for any other command or a source that cannot be measured.
std::optional<GainPlan> planGain(const std::vector<std::string>& args, LoudnessMode mode,
                                 int pieces);

// The gain as ffmpeg's volume filter, joined to the command's own -af or put before the output:
//   -i a.flac ... -af atrim=start_sample=0:end_sample=9 out.mp3
// becomes
//   -i a.flac ... -af atrim=start_sample=0:end_sample=9,volume=-6.48dB out.mp3
std::vector<std::string> withVolume(const std::vector<std::string>& args, double gainDb);

// The fields as -metadata arguments before the output.
std::vector<std::string> withFields(const std::vector<std::string>& args,
                                    const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace lumivox::tools
