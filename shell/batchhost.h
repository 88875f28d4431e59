#pragma once

#include "engine/batch/conversionbatch.h"
#include "settings/options.h"

namespace lumivox {

class frmMain;

// The batch's view of the main window: reads the boxes, drives pb, lblPB and imgPB, and gives
// the controls away and back in the order the window has always used.
class WindowBatchHost : public BatchHost {
  public:
    WindowBatchHost(frmMain& window, const Options& options) : window_(window), options_(options) {}

    ConversionSettings settings() const override;
    QString outputFolderText() const override;
    void setOutputFolderText(const QString& text) override;
    void showProgress(const progress::Display& display) override;
    void setControlsEnabled(bool enabled) override;
    void openOutputFolder(const QString& folder) override;
    void playCompletionSound() override;
    bool completionSoundWanted() const override;
    bool keepSourceFolders() const override;
    bool id3v23Tags() const override;
    bool cueSplit() const override;
    QString cueCodePage() const override;
    DeviceChoices deviceChoices() const override;
    void setStopAvailable(bool available) override;
    void showBatchCount(const QString& caption) override;
    bool librarySync() const override;

  private:
    frmMain& window_;
    const Options& options_;
};

}  // namespace lumivox
