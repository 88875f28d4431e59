#include "engine/base/numbers.h"

#include <QLocale>

#include <cmath>

namespace lumivox {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Length of "[sign]digits[.digits]" at the start of text (at most one point); 0 when it holds
// no digit.
qsizetype numberPrefixLength(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            digits = true;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    return digits ? i : 0;
}

// The C locale reads "." whatever the user's locale says; "9" x 400 overflows to infinity.
double readNumber(QStringView number) {
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (ok) {
        return value;
    }
    const bool negative = number.startsWith(u'-');
    return negative ? -HUGE_VAL : HUGE_VAL;
}

QString stripTrailingZeros(QString text) {
    if (!text.contains(u'.')) {
        return text;
    }
    while (text.endsWith(u'0')) {
        text.chop(1);
    }
    if (text.endsWith(u'.')) {
        text.chop(1);
    }
    return text;
}

}  // namespace

double leadingNumber(QStringView text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start])) {
        ++start;
    }
    const QStringView rest = text.mid(start);
    const qsizetype length = numberPrefixLength(rest);
    return length == 0 ? 0.0 : readNumber(rest.left(length));
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double below = std::floor(value);
    const double diff = value - below;
    if (diff < 0.5) {
        return below;
    }
    if (diff > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

QString generalText(double value) {
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    if (value == 0.0) {
        return QStringLiteral("0");  // also for -0
    }
    // "-1.80487804878049e-01": the 15 digits and the exponent after rounding (9.99...9 -> 10).
    const QString scientific = QString::number(value, 'e', 14);
    const qsizetype e = scientific.indexOf(u'e');
    const int exponent = scientific.mid(e + 1).toInt();
    // Plain digits over the range a fraction or percent can take and far beyond; an exponent
    // only where plain digits would run to dozens of places.
    if (exponent < -20 || exponent > 20) {
        return QString::number(value, 'g', 15);
    }
    const bool negative = value < 0;
    const QString digits = scientific.mid(negative ? 1 : 0, e - (negative ? 1 : 0)).remove(u'.');
    QString text;
    if (exponent >= 0) {
        const QString whole = digits.left(exponent + 1);
        text = whole + QString(exponent + 1 - whole.size(), u'0') + u'.' + digits.mid(exponent + 1);
    } else {
        text = QStringLiteral("0.") + QString(-exponent - 1, u'0') + digits;
    }
    text = stripTrailingZeros(text);
    return negative ? u'-' + text : text;
}

std::optional<double> parseDecimal(QStringView text) {
    const QStringView trimmed = text.trimmed();
    const qsizetype length = numberPrefixLength(trimmed);
    if (length == 0 || length != trimmed.size()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

}  // namespace lumivox
