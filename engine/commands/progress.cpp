#include "engine/commands/progress.h"

#include "engine/base/numbers.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumivox::progress {

namespace {

const QString kDuration = QStringLiteral("Duration: ");
const QString kTime = QStringLiteral("time=");

// Characters from `from` up to the first space (or the end of the chunk).
QStringView wordAt(QStringView chunk, qsizetype from) {
    const qsizetype space = chunk.indexOf(u' ', from);
    return chunk.mid(from, (space < 0 ? chunk.size() : space) - from);
}

// Every "marker" that has at least one character after it in the chunk contributes the word
// that follows it; the words are joined in order.
QString collectAfter(QStringView chunk, const QString& marker, bool* found) {
    QString text;
    const qsizetype n = marker.size();
    for (qsizetype i = 0; i + n < chunk.size(); ++i) {
        if (chunk.mid(i, n) == marker) {
            *found = true;
            text += wordAt(chunk, i + n);
        }
    }
    return text;
}

// A number as its general text reads it back: the display works with 15 significant digits.
double viaGeneralText(double value) {
    return QLocale::c().toDouble(generalText(value));
}

Display finished(const QString& word) {
    return {kBarFullWidth, 100.0f, word + QStringLiteral(" 100%")};
}

Display showing(double fraction, const QString& percentText, const QString& spin) {
    const double width = std::clamp(fraction, 0.0, 1.0) * kBarFullWidth;
    const double value = std::clamp(leadingNumber(percentText), 0.0, 100.0);
    return {static_cast<double>(static_cast<float>(width)), static_cast<float>(value),
            QStringLiteral("转换中") + spin + u' ' + percentText + u'%'};
}

}  // namespace

// "  Duration: 00:03:25.48, start: 0.000000, bitrate: 1411 kb/s"  -> text "00:03:25.48," -> 205
std::optional<qint32> scanDuration(QStringView chunk) {
    bool found = false;
    const QString text = collectAfter(chunk, kDuration, &found);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const QStringList parts = text.split(u':');
    if (parts.size() < 3) {
        return std::nullopt;
    }
    double seconds = 0;
    const double weights[] = {3600.0, 60.0, 1.0};
    for (int k = 0; k < 3; ++k) {
        QString part = parts[k];
        const auto value = parseDecimal(part.remove(u','));
        if (!value) {
            return std::nullopt;  // "N/A,"
        }
        seconds += *value * weights[k];
    }
    const double rounded = roundHalfEven(seconds);
    // A negative or absurd length is no length: the display then treats the input as unknown.
    if (!(rounded >= 0 && rounded <= std::numeric_limits<qint32>::max())) {
        return std::nullopt;
    }
    return static_cast<qint32>(rounded);
}

// "size=  768kB time=59.24 bitrate= 106.2kbits/s speed= 118x"  -> 59
// Two fields in one chunk are joined before reading ("12.3412.85"), so the first decides.
std::optional<qint64> scanElapsed(QStringView chunk) {
    bool found = false;
    const QString text = collectAfter(chunk, kTime, &found);
    if (!found) {
        return std::nullopt;
    }
    constexpr double kLimit = 9.0e18;  // inside qint64, far beyond any play time
    return static_cast<qint64>(std::clamp(roundHalfEven(leadingNumber(text)), -kLimit, kLimit));
}

QString nextSpin(const QString& spin) {
    if (spin == u"-") {
        return QStringLiteral("\\");
    }
    if (spin == u"\\") {
        return QStringLiteral("|");
    }
    if (spin == u"|") {
        return QStringLiteral("/");
    }
    return QStringLiteral("-");
}

// "Pos:   4.8s    120f (56%)  0.00fps Trem:   0min   0mb  A-V:0.052 [222:319]"  -> "56%"
std::optional<QString> scanPercent(QStringView chunk) {
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        if (chunk[i] != u'(') {
            continue;
        }
        if (i + 4 < chunk.size() && chunk[i + 4] == u')') {
            return chunk.mid(i + 1, 3).toString();
        }
        if (i + 5 < chunk.size() && chunk[i + 5] == u')') {
            return chunk.mid(i + 1, 4).toString();
        }
    }
    return std::nullopt;
}

Display displayFromElapsed(qint64 elapsed, qint32 duration, const QString& spin) {
    if (duration <= 0) {
        return finished(QStringLiteral("完成"));
    }
    // A time before the start (ffmpeg can print time=-0.02) is shown as the start.
    const double t = static_cast<double>(std::max<qint64>(elapsed, 0));
    const double f = viaGeneralText(t / duration);
    const double p = viaGeneralText(f * 100.0);
    if (p >= 100.0) {
        return finished(QStringLiteral("完成"));
    }
    return showing(f, generalText(p).left(4), spin);
}

Display displayFromPercent(const QString& report, const QString& spin) {
    if (report == u"100%") {
        return finished(QStringLiteral("结束"));
    }
    // mencoder may end at 101 %; a report outside 0..100 shows as its nearest end so the bar
    // and caption agree and the run goes on.
    const double n = std::clamp(roundHalfEven(leadingNumber(report)), 0.0, 100.0);
    const double f = viaGeneralText(n / 100.0);
    return showing(f, generalText(f * 100.0), spin);
}

}  // namespace lumivox::progress
