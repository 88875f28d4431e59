#include "collection/fatnames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace lumivox::fat {
namespace {

QChar lookAlike(QChar c) {
    switch (c.unicode()) {
        case u'"':
            return QChar(0xFF02);
        case u'*':
            return QChar(0xFF0A);
        case u':':
            return QChar(0xFF1A);
        case u'<':
            return QChar(0xFF1C);
        case u'>':
            return QChar(0xFF1E);
        case u'?':
            return QChar(0xFF1F);
        case u'\\':
            return QChar(0xFF3C);
        case u'|':
            return QChar(0xFF5C);
        default:
            return c.unicode() < 0x20 || c == u'/' || c.unicode() == 0x7f ? QChar(u'_') : c;
    }
}

void chopTrailing(QString& text) {
    while (!text.isEmpty() && (text.back() == u'.' || text.back() == u' ')) {
        text.chop(1);
    }
}

// The first `units` code units, not ending inside a surrogate pair.
QString wholeCharacters(const QString& text, qsizetype units) {
    if (text.size() <= units) {
        return text;
    }
    return text.left(units > 0 && text.at(units - 1).isHighSurrogate() ? units - 1 : units);
}

QString mapped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        out += lookAlike(c);
    }
    return out;
}

}  // namespace

QString fileName(const QString& stem, const QString& tail, qsizetype mostUnits) {
    const QString end = mapped(tail);
    const QString start =
        wholeCharacters(mapped(stem), std::max<qsizetype>(1, mostUnits - end.size()));
    return name(start + end, mostUnits);
}

QString name(const QString& text, qsizetype mostUnits) {
    QString out = mapped(text);
    chopTrailing(out);
    const qsizetype dot = out.lastIndexOf(u'.');
    QString stem = dot > 0 ? out.left(dot) : out;
    const QString extension = dot > 0 ? out.mid(dot) : QString();
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"),
                                           QRegularExpression::CaseInsensitiveOption);
    // The stem up to its first dot is what DOS takes for the device: "nul.tar.gz" too.
    if (device.match(stem.section(u'.', 0, 0).trimmed()).hasMatch()) {
        const qsizetype end = stem.indexOf(u'.');
        stem.insert(end < 0 ? stem.size() : end, u'_');
    }
    const QString cut = wholeCharacters(stem, std::max<qsizetype>(1, mostUnits - extension.size()));
    if (cut.size() < stem.size()) {
        stem = cut;
        chopTrailing(stem);  // a name cut short must not end in what the card refuses either
    }
    if (stem.isEmpty()) {
        stem = QStringLiteral("_");
    }
    return stem + extension;
}

QString path(const QString& relative) {
    const bool folder = relative.endsWith(u'/');
    QStringList names = relative.split(u'/', Qt::SkipEmptyParts);
    for (QString& n : names) {
        n = name(n);
    }
    // Shorten from the file's name backwards; each name keeps at least a few characters.
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        const qsizetype over = names.join(u'/').size() + (folder ? 1 : 0) - kMostPathUnits;
        if (over <= 0) {
            break;
        }
        const qsizetype extension =
            names[i].lastIndexOf(u'.') > 0 ? names[i].size() - names[i].lastIndexOf(u'.') : 0;
        names[i] = name(names[i], std::max<qsizetype>(extension + 8, names[i].size() - over));
    }
    return names.join(u'/') + (folder ? QStringLiteral("/") : QString());
}

bool isTakenIgnoringCase(const QString& filePath) {
    const QFileInfo info(filePath);
    if (info.exists() || info.isSymLink()) {
        return true;
    }
    const QStringList names =
        QDir(info.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return names.contains(info.fileName(), Qt::CaseInsensitive);
}

}  // namespace lumivox::fat
