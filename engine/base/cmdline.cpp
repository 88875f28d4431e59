#include "engine/base/cmdline.h"

namespace lumivox {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

qsizetype skipBlanks(const QString& text, qsizetype i) {
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    return i;
}

}  // namespace

// The arguments after the program token. Quote state follows the Windows parser: an opening
// quote counts 1, a closing one brings the count to 2 (= outside again); a third quote in a row
// is a literal quote and also leaves the quoted span.
QStringList splitArguments(const QString& text) {
    QStringList args;
    qsizetype i = skipBlanks(text, 0);
    if (i >= text.size()) {
        return args;
    }
    QString current;
    int quoteCount = 0;
    int backslashes = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (isBlank(c) && quoteCount == 0) {
            args << current;
            current.clear();
            backslashes = 0;
            i = skipBlanks(text, i);
            if (i >= text.size()) {
                return args;
            }
            continue;
        }
        if (c == u'\\') {
            current += c;
            ++backslashes;
            ++i;
            continue;
        }
        if (c != u'"') {
            current += c;
            backslashes = 0;
            ++i;
            continue;
        }
        // A quote: 2n backslashes before it give n and the quote toggles; 2n+1 give n and a
        // literal quote.
        current.chop(backslashes / 2);
        if (backslashes % 2 == 0) {
            ++quoteCount;
        } else {
            current.chop(1);
            current += u'"';
        }
        backslashes = 0;
        ++i;
        while (i < text.size() && text[i] == u'"') {
            if (++quoteCount == 3) {
                current += u'"';
                quoteCount = 0;
            }
            ++i;
        }
        if (quoteCount == 2) {
            quoteCount = 0;
        }
    }
    args << current;
    return args;
}

// The program token has rules of its own: a quoted one ends at the next quote, an unquoted one
// at the next blank; backslashes are literal in it.
QStringList splitCommandLine(const QString& commandLine) {
    if (commandLine.isEmpty()) {
        return {};
    }
    QString program;
    qsizetype i = 0;
    if (commandLine[0] == u'"') {
        i = 1;
        while (i < commandLine.size() && commandLine[i] != u'"') {
            program += commandLine[i++];
        }
        if (i < commandLine.size()) {
            ++i;  // the closing quote
        }
    } else {
        while (i < commandLine.size() && !isBlank(commandLine[i])) {
            program += commandLine[i++];
        }
    }
    QStringList result{program};
    result << splitArguments(commandLine.mid(i));
    return result;
}

QString quotePath(const QString& path) {
    QString quoted(u'"');
    int backslashes = 0;
    for (const QChar c : path) {
        if (c == u'\\') {
            ++backslashes;
        } else if (c == u'"') {
            // The run before the quote doubles, plus one to make the quote literal.
            quoted += QString(backslashes + 1, u'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        quoted += c;
    }
    // A run at the end would otherwise escape the closing quote.
    quoted += QString(backslashes, u'\\');
    quoted += u'"';
    return quoted;
}

}  // namespace lumivox
