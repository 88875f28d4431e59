#pragma once

#include <QString>

#include <optional>

namespace lumivox {

// What an MP3 encode's console text says about how much of its input it wrote:
//   Duration: 00:00:12.00, start: 0.000000, bitrate: 30 kb/s        the input's stated length
//   Error while decoding stream #0:0: Invalid data found when processing input
//   size=      48kB time=3.03 bitrate= 130.3kbits/s speed=  80x      the last one: written
struct EncodeReport {
    std::optional<double> statedSeconds;   // the first "Duration: " of the run
    std::optional<double> writtenSeconds;  // the last "time=" of the run
    QString decodeError;                   // the first decoder error line, if any
};
EncodeReport readEncodeReport(const QString& outputs);

// ffmpeg decodes what it can of a cut or damaged file and exits 0. The line that names the
// shortfall when the output is more than a second shorter than expected (the longer of the
// stated length and the probe's duration), or the decoder reported errors; empty when the output
// is whole.   "只写入了 3.0 秒，应为 12.0 秒"
QString encodeShortfall(const EncodeReport& report, std::optional<double> probeSeconds);

// The stated length in a probe's text ("Duration: 00:03:25.48, ..." gives 205.48).
std::optional<double> statedSeconds(const QString& outputs);

}  // namespace lumivox
