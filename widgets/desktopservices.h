#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace lumivox {

// What the program asks of the desktop, behind a seam so tests can record it.
struct DesktopServices {
    std::function<void(const QString& folder)> openFolder;
    std::function<void(const QString& wavFile)> playSound;
    std::function<void(const QUrl& url)> openUrl;  // the help file, the maker's site
};

// The real services: QDesktopServices for folders and addresses, QSoundEffect for the sound
// (a beep when it cannot play).
DesktopServices realDesktopServices();
DesktopServices& desktopServices();

// Plays a wave file to its end, serving events meanwhile; beeps when it cannot be played.
void playSoundAndWait(const QString& wavFile);

}  // namespace lumivox
