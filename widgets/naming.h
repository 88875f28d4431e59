#pragma once

#include <QString>

namespace lumivox {

// Every widget carries its design name as its objectName, so tests and accessibility tools
// find it.
template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Controls the pointer must never reach stand in a column right of a window's client area.
constexpr int offLeft(int clientWidth) {
    return clientWidth + 20;
}

}  // namespace lumivox
