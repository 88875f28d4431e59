#pragma once

#include <QStringList>

#include <functional>

namespace lumivox {

// The temporary files a conversion leaves in the private folder: the decoded WAV, the first
// pass's video and its pass log, and the two names the unload has always removed.
QStringList temporaryFiles();

// Deletes each file, serving events between tries while a running tool still holds it, and
// gives up on the rest once boundMs has passed so a stuck file cannot keep the program alive.
// Returns the files that are still there.
QStringList removeTemporaryFiles(const QStringList& files, const std::function<void()>& serve,
                                 int boundMs = 3000);

}  // namespace lumivox
