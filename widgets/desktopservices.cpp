#include "widgets/desktopservices.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace lumivox {

DesktopServices realDesktopServices() {
    return DesktopServices{
        [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); },
        [](const QString& wavFile) { playSoundAndWait(wavFile); },
        [](const QUrl& url) { QDesktopServices::openUrl(url); }};
}

DesktopServices& desktopServices() {
    static DesktopServices services = realDesktopServices();
    return services;
}

void playSoundAndWait(const QString& wavFile) {
    // Without an audio output the sound cannot play, and the wait below would hold "Done." and
    // the controls back for nothing.
    if (!QFileInfo(wavFile).isFile() || QMediaDevices::audioOutputs().isEmpty()) {
        QApplication::beep();
        return;
    }
    QSoundEffect effect;
    QEventLoop loop;
    bool failed = false;
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
        if (effect.status() == QSoundEffect::Error) {
            failed = true;
            loop.quit();
        } else if (effect.status() == QSoundEffect::Ready) {
            effect.play();
        }
    });
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect.isPlaying()) {
            loop.quit();
        }
    });
    // The wait is bounded: the sound's length is not known before it loads, so allow a margin.
    const qint64 bytes = QFileInfo(wavFile).size();
    const int boundMs = 2000 + static_cast<int>(qMin<qint64>(bytes / 44, 30000));
    QTimer::singleShot(boundMs, &loop, [&] { loop.quit(); });
    effect.setSource(QUrl::fromLocalFile(wavFile));
    loop.exec();
    if (failed) {
        QApplication::beep();
    }
}

}  // namespace lumivox
