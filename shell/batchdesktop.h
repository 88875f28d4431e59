#pragma once

#include <QString>

#include <functional>

namespace lumivox {

// Desktop services at the end of a batch, behind a seam so tests can record them.
struct DesktopServices {
    std::function<void(const QString& folder)> openFolder;
    std::function<void(const QString& wavFile)> playSound;
};

// The real services: QDesktopServices for the folder, QSoundEffect (beep when it cannot play).
DesktopServices realDesktopServices();
DesktopServices& desktopServices();

// Plays a wave file to its end, serving events meanwhile; beeps when it cannot be played.
void playSoundAndWait(const QString& wavFile);

}  // namespace lumivox
