#pragma once

#include <QString>

namespace lumivox {

// True when a live (non-zombie) process whose executable name equals name, compared without
// regard to case and on at most the 15 characters Linux keeps in /proc/PID/comm, exists among
// this program's own: run by this user and started by this process (its descendants), or still
// in process group `ownGroup` (a tool's helpers that outlived it). Another user's coder.exe, or
// one the user runs elsewhere, never holds a batch up.
bool IsProcessRunning(const QString& name, qint64 ownGroup = 0);

// True while a live (non-zombie) process belongs to process group pgid: a tool and whatever it
// started. A zombie waiting to be reaped has done all it will do.
bool isProcessGroupAlive(qint64 pgid);

}  // namespace lumivox
