#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace lumivox::progress {

// Full width of the bar picture imgPB, in twips.
inline constexpr double kBarFullWidth = 5415.0;

// What the three progress controls show.
struct Display {
    double barWidth = 0;  // imgPB width, twips (rounded to single precision)
    float value = 0;      // pb value, 0..100
    QString caption;      // lblPB caption
};

// Duration scan of one chunk: the text after every "Duration: " up to the next space, joined;
// nullopt when there is none or it does not read as H:M:S (e.g. "N/A,").
//   "  Duration: 00:03:25.48, start: 0.000000, bitrate: 1411 kb/s" -> 205
std::optional<qint32> scanDuration(QStringView chunk);

// Elapsed-time scan: the texts after every "time=" up to a space, concatenated, read as the
// leading number and rounded. nullopt when the chunk has no "time=" field.
//   "size=  768kB time=59.24 bitrate= 106.2kbits/s speed= 118x" -> 59
std::optional<qint64> scanElapsed(QStringView chunk);

// "-" -> "\" -> "|" -> "/" -> "-"; anything else -> "-".
QString nextSpin(const QString& spin);

// Percentage scan: the first "(" with a ")" four or five characters later gives the 3 or 4
// characters between them.   "Pos:   4.8s    120f (56%)  0.00fps" -> "56%"
std::optional<QString> scanPercent(QStringView chunk);

// Display for an elapsed time t against a duration (0: not known).
Display displayFromElapsed(qint64 elapsed, qint32 duration, const QString& spin);

// Display for a percentage report text from scanPercent.
Display displayFromPercent(const QString& report, const QString& spin);

}  // namespace lumivox::progress
