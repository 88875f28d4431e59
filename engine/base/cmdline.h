#pragma once

#include <QString>
#include <QStringList>

namespace lumivox {

// Splits a command line by the Windows rules (those of CommandLineToArgvW): spaces and tabs
// outside double quotes separate arguments; a double quote opens or closes a quoted span and is
// removed; 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote;
// other backslashes are literal.
QStringList splitCommandLine(const QString& commandLine);

// The same rules for the text after the program token (which has rules of its own: it ends at
// the first blank, or at the closing quote when it starts with one, and keeps its backslashes).
QStringList splitArguments(const QString& text);

// Wraps a path in double quotes so that splitCommandLine gives it back as one argument, exactly.
// For an ordinary path the result is just Q + path + Q.
QString quotePath(const QString& path);

}  // namespace lumivox
