#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace lumivox {

// Leading number of a text: skip leading blanks, optional sign, digits with at most one ".";
// stops at the first other character; no digits reads 0. " 5%" -> 5, "00:01:02.03" -> 0.
double leadingNumber(QStringView text);

// Nearest integer, halves to the even neighbour: 204.5 -> 204, 205.5 -> 206.
double roundHalfEven(double value);

// At most 15 significant digits, trailing zeros after the point dropped, "." as the point:
// 0.18048780487804877 -> "0.180487804878049", 45 -> "45".
QString generalText(double value);

// A whole text read as a decimal number (surrounding blanks allowed); nullopt when it is not one.
std::optional<double> parseDecimal(QStringView text);

}  // namespace lumivox
