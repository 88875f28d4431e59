#include "settingsfiles.h"

#include "numbers.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace lumivox {

qint16 intSoundPrompt = 0;
qint16 intCutter = 0;
qint32 lngCutFrom = 0;
qint32 lngCutTo = 0;

namespace settings {

namespace {

constexpr int kSetupValueCount = 5;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Where a quoted value closes: the first quote followed by blanks and then a comma or the end of
// the line, so a folder holding a quote still comes back whole; failing that, the first quote
// ("a" junk, 5 reads a and 5). -1 when no quote follows.
qsizetype closingQuote(QStringView line, qsizetype open) {
    const qsizetype first = line.indexOf(u'"', open + 1);
    for (qsizetype q = first; q >= 0; q = line.indexOf(u'"', q + 1)) {
        qsizetype k = q + 1;
        while (k < line.size() && isBlank(line[k])) {
            ++k;
        }
        if (k == line.size() || line[k] == u',') {
            return q;
        }
    }
    return first;
}

// One line: values separated by commas outside quotes.
//   "/home/u/a,b/"   -> /home/u/a,b/
//   1, 2             -> 1 | 2
void decodeLine(QStringView line, QStringList& out) {
    qsizetype i = 0;
    while (true) {
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        qsizetype comma = -1;
        if (i < line.size() && line[i] == u'"') {
            const qsizetype close = closingQuote(line, i);
            if (close < 0) {  // unbalanced: the rest of the line, opening quote dropped
                out << line.mid(i + 1).toString();
                return;
            }
            out << line.mid(i + 1, close - i - 1).toString();
            comma = line.indexOf(u',', close);
        } else {
            comma = line.indexOf(u',', i);
            const qsizetype end = comma < 0 ? line.size() : comma;
            out << line.mid(i, end - i).trimmed().toString();
        }
        if (comma < 0) {
            return;
        }
        i = comma + 1;
    }
}

qint64 clampedLeadingNumber(const QString& text, qint64 low, qint64 high) {
    const double rounded = roundHalfEven(leadingNumber(text));
    return static_cast<qint64>(
        std::clamp(rounded, static_cast<double>(low), static_cast<double>(high)));
}

template <typename Int>
Int optionValue(const QString& text) {
    return static_cast<Int>(clampedLeadingNumber(text, std::numeric_limits<Int>::min(),
                                                 std::numeric_limits<Int>::max()));
}

// The values present are applied in order; the others keep what `into` holds.
void applyOptions(const QStringList& values, OptionValues& into) {
    if (values.size() > 0) {
        into.soundPrompt = optionValue<qint16>(values[0]);
    }
    if (values.size() > 1) {
        into.cutter = optionValue<qint16>(values[1]);
    }
    if (values.size() > 2) {
        into.cutFrom = optionValue<qint32>(values[2]);
    }
    if (values.size() > 3) {
        into.cutTo = optionValue<qint32>(values[3]);
    }
}

}  // namespace

QByteArray encodeRecords(const QStringList& values, const QList<bool>& quoted) {
    QString text;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const bool quote = i < quoted.size() ? quoted[i] : true;
        text += quote ? u'"' + values[i] + u'"' : values[i];
        text += QStringLiteral("\r\n");
    }
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

QStringList decodeRecords(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::System);
    const QString text = decoder.decode(bytes);
    QStringList values;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        const qsizetype newline = rest.indexOf(u'\n');
        QStringView line = newline < 0 ? rest : rest.left(newline);
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        decodeLine(line, values);
        rest = newline < 0 ? QStringView() : rest.mid(newline + 1);
    }
    return values;
}

bool writeRecords(const QString& path, const QStringList& values, const QList<bool>& quoted) {
    // One value a line: a line break inside a value would shift every later value, so such a
    // record is refused and the earlier file kept.
    const bool breaks = std::any_of(values.begin(), values.end(), [](const QString& v) {
        return v.contains(u'\n') || v.contains(u'\r');
    });
    if (breaks) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = encodeRecords(values, quoted);
    // commit() does not notice a failure of the final flush (a full disk, a size limit) and would
    // put a cut-off file in place, so flush first and check.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QStringList> readRecords(const QString& path) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return decodeRecords(file.readAll());
}

bool saveSetup(const QString& path, const SetupChoices& choices) {
    const QStringList values = {QString::number(choices.bitratePosition),
                                QString::number(choices.sampleRatePosition),
                                QString::number(choices.channelPosition), choices.outputFolder,
                                QString::number(choices.formatPosition)};
    return writeRecords(path, values, QList<bool>(values.size(), true));
}

std::optional<QStringList> readSetupValues(const QString& path) {
    auto values = readRecords(path);
    if (values && values->size() > kSetupValueCount) {
        values->resize(kSetupValueCount);
    }
    return values;
}

std::optional<qint16> positionFromText(const QString& text) {
    const auto value = parseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(*value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}

OptionValues loadOptions(const QString& path) {
    OptionValues options;
    if (const auto values = readRecords(path)) {
        applyOptions(*values, options);
    }
    return options;
}

bool saveOptions(const QString& path, const OptionValues& values) {
    const QStringList texts = {QString::number(values.soundPrompt), QString::number(values.cutter),
                               QString::number(values.cutFrom), QString::number(values.cutTo)};
    return writeRecords(path, texts, QList<bool>(texts.size(), false));
}

void loadOptionsIntoGlobals(const QString& path) {
    const auto values = readRecords(path);
    if (!values) {
        intSoundPrompt = 0;
        intCutter = 0;
        return;
    }
    OptionValues options{intSoundPrompt, intCutter, lngCutFrom, lngCutTo};
    applyOptions(*values, options);
    intSoundPrompt = options.soundPrompt;
    intCutter = options.cutter;
    lngCutFrom = options.cutFrom;
    lngCutTo = options.cutTo;
}

bool saveOptionsFromGlobals(const QString& path) {
    return saveOptions(path, {intSoundPrompt, intCutter, lngCutFrom, lngCutTo});
}

}  // namespace settings
}  // namespace lumivox
