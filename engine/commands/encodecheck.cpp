#include "engine/commands/encodecheck.h"

#include <QRegularExpression>

#include <algorithm>

namespace lumivox {

namespace {
// More than this short of the expected length is a loss the user must hear about; less is the
// encoder's rounding at the ends.
constexpr double kToleranceSeconds = 1.0;
}  // namespace

std::optional<double> statedSeconds(const QString& outputs) {
    static const QRegularExpression duration(
        QStringLiteral(R"(Duration: (\d+):(\d\d):(\d\d(?:\.\d+)?))"));
    const QRegularExpressionMatch m = duration.match(outputs);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 +
           m.captured(3).toDouble();
}

EncodeReport readEncodeReport(const QString& outputs) {
    static const QRegularExpression time(QStringLiteral(R"(time=(\d+(?:\.\d+)?))"));
    static const QRegularExpression decodeError(
        QStringLiteral(R"((?:^|[\r\n])(Error while decoding stream[^\r\n]*))"));
    EncodeReport report;
    report.statedSeconds = statedSeconds(outputs);
    for (QRegularExpressionMatchIterator it = time.globalMatch(outputs); it.hasNext();) {
        report.writtenSeconds = it.next().captured(1).toDouble();
    }
    if (const QRegularExpressionMatch m = decodeError.match(outputs); m.hasMatch()) {
        report.decodeError = m.captured(1).trimmed();
    }
    return report;
}

QString encodeShortfall(const EncodeReport& report, std::optional<double> probeSeconds) {
    const double expected = std::max(report.statedSeconds.value_or(0), probeSeconds.value_or(0));
    if (report.writtenSeconds && expected - *report.writtenSeconds > kToleranceSeconds) {
        return QStringLiteral("只写入了 %1 秒，应为 %2 秒")
            .arg(*report.writtenSeconds, 0, 'f', 1)
            .arg(expected, 0, 'f', 1);
    }
    return report.decodeError;
}

}  // namespace lumivox
