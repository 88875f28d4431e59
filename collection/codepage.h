#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace lumivox::codepage {

enum class CodePage { Utf8, Gb18030, Big5, ShiftJis, EucKr, Windows1251, Windows1252 };

// The names shown in the options: "UTF-8", "GB18030", "Big5", "Shift-JIS", "EUC-KR",
// "Windows-1251", "Windows-1252".
QString displayName(CodePage page);
std::optional<CodePage> fromDisplayName(const QString& name);

// nullopt when the bytes are not valid in that code page.
std::optional<QString> decode(const QByteArray& bytes, CodePage page);

// The likeliest code page of these texts judged together (all names of one folder, or one
// whole sheet): Utf8 when every text is valid UTF-8; else the candidate whose decoding is
// valid and whose characters are most common in its script.
CodePage guess(const QList<QByteArray>& texts);

}  // namespace lumivox::codepage
