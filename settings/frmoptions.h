#pragma once

#include <QDialog>

#include <array>

#include "settings/options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace lumivox {

// The options dialog: the completion-sound switch and the Music Cutter range. Each showing
// starts from the program's options; only confirming stores them and writes options.ini (and
// lumivox.ini for the folder layout and the MP3 tag).
class frmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit frmOptions(Options& options, QWidget* owner = nullptr);

    QComboBox* cmbSR() const { return cmbSR_; }
    QCheckBox* chkMC() const { return chkMC_; }
    QLineEdit* txtFromH() const { return from_[0]; }
    QLineEdit* txtFromM() const { return from_[1]; }
    QLineEdit* txtFromS() const { return from_[2]; }
    QLineEdit* txtToH() const { return to_[0]; }
    QLineEdit* txtToM() const { return to_[1]; }
    QLineEdit* txtToS() const { return to_[2]; }
    QCheckBox* chkKeepFolders() const { return chkKeepFolders_; }
    QComboBox* cmbId3() const { return cmbId3_; }
    QCheckBox* chkCueSplit() const { return chkCueSplit_; }
    QCheckBox* chkSync() const { return chkSync_; }
    QComboBox* cmbCueCodePage() const { return cmbCueCodePage_; }
    QCheckBox* chkAllLossless() const { return chkAllLossless_; }
    QComboBox* cmbMp3Mode() const { return cmbMp3Mode_; }
    QComboBox* cmbCoverSize() const { return cmbCoverSize_; }
    QComboBox* cmbReplayGain() const { return cmbReplayGain_; }
    QCheckBox* chkFatNames() const { return chkFatNames_; }
    QPushButton* Command1() const { return Command1_; }
    QPushButton* Command2() const { return Command2_; }

    // Enables the six time boxes when the cutter is ticked; their texts stay.
    void chkMC_Click();
    // Checks the minutes and seconds, stores the four values, writes options.ini and closes.
    void imgOK_Click();
    // Close without storing anything.
    void imgBack_Click();
    void imgExit_Click();

  private:
    void Form_Load();
    void setTimeBoxesEnabled(bool on);

    Options& options_;
    QComboBox* cmbSR_ = nullptr;
    QCheckBox* chkMC_ = nullptr;
    std::array<QLineEdit*, 3> from_{};  // hours, minutes, seconds
    std::array<QLineEdit*, 3> to_{};
    QCheckBox* chkKeepFolders_ = nullptr;  // kept in lumivox.ini, not in options.ini
    QCheckBox* chkSync_ = nullptr;         // lumivox.ini: convert only what is new or changed
    QCheckBox* chkCueSplit_ = nullptr;     // lumivox.ini: one MP3 per track of an album image
    QComboBox* cmbCueCodePage_ = nullptr;  // lumivox.ini: "自动", or the sheets' code page
    QComboBox* cmbId3_ = nullptr;          // likewise: ID3v2.4, or ID3v2.3 with ID3v1
    QCheckBox* chkAllLossless_ = nullptr;  // lumivox.ini: the folder scan takes every format
    // lumivox.ini too: the MP3 for the phone and the car
    QComboBox* cmbMp3Mode_ = nullptr;
    QComboBox* cmbCoverSize_ = nullptr;
    QComboBox* cmbReplayGain_ = nullptr;
    QCheckBox* chkFatNames_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QPushButton* Command2_ = nullptr;
};

}  // namespace lumivox
