#pragma once

#include <QString>

namespace lumivox {

// True when a live (non-zombie) process whose executable name equals name, compared without
// regard to case and on at most the 15 characters Linux keeps in /proc/PID/comm, exists.
bool IsProcessRunning(const QString& name);

// True while a live (non-zombie) process belongs to process group pgid: a tool and whatever it
// started. A zombie waiting to be reaped has done all it will do.
bool isProcessGroupAlive(qint64 pgid);

}  // namespace lumivox
