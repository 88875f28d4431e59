#include "shell/batchhost.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

#include "engine/base/apppaths.h"
#include "settings/lumivoxini.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "widgets/desktopservices.h"

namespace lumivox {

namespace {
constexpr double kTwipsPerPixel = 15.0;
}  // namespace

ConversionSettings WindowBatchHost::settings() const {
    return window_.formatBoxes()->currentSettings();
}

QString WindowBatchHost::outputFolderText() const {
    return window_.txtPath()->text();
}

void WindowBatchHost::setOutputFolderText(const QString& text) {
    window_.txtPath()->setText(text);
}

void WindowBatchHost::showProgress(const progress::Display& display) {
    window_.pb()->setValue(static_cast<int>(std::lround(display.value)));
    window_.lblPB()->setText(display.caption);
    QWidget* bar = window_.imgPB();
    bar->resize(static_cast<int>(std::lround(display.barWidth / kTwipsPerPixel)), bar->height());
}

void WindowBatchHost::setControlsEnabled(bool enabled) {
    window_.setBatchRunning(!enabled);
}

void WindowBatchHost::openOutputFolder(const QString& folder) {
    if (desktopServices().openFolder) {
        desktopServices().openFolder(folder);
    }
}

void WindowBatchHost::playCompletionSound() {
    if (desktopServices().playSound) {
        desktopServices().playSound(paths::appFolder() + QStringLiteral("/sound.wav"));
    }
}

void WindowBatchHost::setStopAvailable(bool available) {
    window_.cmdStop()->setEnabled(available);
}

bool WindowBatchHost::completionSoundWanted() const {
    return options_.completionSoundWanted();
}

bool WindowBatchHost::keepSourceFolders() const {
    // Sync keeps the source folders: each MP3's place is its source's.
    return settings::load(settings::ini::KeepSourceFolders) ||
           settings::load(settings::ini::LibrarySync);
}

bool WindowBatchHost::librarySync() const {
    return settings::load(settings::ini::LibrarySync);
}

void WindowBatchHost::showBatchCount(const QString& caption) {
    window_.lblBatch()->setText(caption);
}

bool WindowBatchHost::id3v23Tags() const {
    return (settings::load(settings::ini::Id3Version) == QStringLiteral("2.3"));
}

bool WindowBatchHost::cueSplit() const {
    return settings::load(settings::ini::CueSplit);
}

DeviceChoices WindowBatchHost::deviceChoices() const {
    return DeviceChoices{
        settings::load(settings::ini::Mp3Mode), settings::load(settings::ini::CoverMaxSize),
        settings::load(settings::ini::ReplayGain), settings::load(settings::ini::FatNames)};
}

QString WindowBatchHost::cueCodePage() const {
    return settings::load(settings::ini::CueCodePage);
}

}  // namespace lumivox
