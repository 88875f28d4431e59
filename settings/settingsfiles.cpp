#include "settings/settingsfiles.h"

#include "engine/base/numbers.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace lumivox {

namespace settings {

namespace {

constexpr int kSetupValueCount = 5;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// A quoted value closes at the last quote of its line: nothing inside a value is escaped, so a
// folder holding quotes and commas (out "quoted", with comma) still comes back whole. -1 when
// no quote follows the opening one.
qsizetype closingQuote(QStringView line, qsizetype open) {
    const qsizetype last = line.lastIndexOf(u'"');
    return last > open ? last : -1;
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

// The leading number rounded, or nullopt when it does not fit the type: a conversion that
// fails is skipped, and the value keeps what it held.
template <typename Int>
std::optional<Int> optionValue(const QString& text) {
    const double rounded = roundHalfEven(leadingNumber(text));
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

template <typename Int>
void applyValue(const QStringList& values, qsizetype index, Int& into) {
    if (index < values.size()) {
        if (const auto value = optionValue<Int>(values[index])) {
            into = *value;
        }
    }
}

// The values present are applied in order; the others keep what `into` holds.
void applyOptions(const QStringList& values, Options& into) {
    applyValue(values, 0, into.soundPrompt);
    applyValue(values, 1, into.cutter);
    applyValue(values, 2, into.cutFrom);
    applyValue(values, 3, into.cutTo);
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

bool isUsableFolderText(const QString& text) {
    // Bytes that are not text decode to replacement characters.
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control;
    });
}

void loadOptions(const QString& path, Options& into) {
    const auto values = readRecords(path);
    if (!values) {
        into.soundPrompt = 0;
        into.cutter = 0;
        return;
    }
    applyOptions(*values, into);
}

Options loadOptions(const QString& path) {
    Options options;
    loadOptions(path, options);
    return options;
}

bool saveOptions(const QString& path, const Options& values) {
    const QStringList texts = {QString::number(values.soundPrompt), QString::number(values.cutter),
                               QString::number(values.cutFrom), QString::number(values.cutTo)};
    return writeRecords(path, texts, QList<bool>(texts.size(), false));
}

}  // namespace settings
}  // namespace lumivox
