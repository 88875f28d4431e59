#include "batchhost.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

#include "apppaths.h"
#include "desktopservices.h"
#include "formatboxes.h"
#include "frmmain.h"

namespace lumivox {

namespace {
constexpr double kTwipsPerPixel = 15.0;
constexpr int kToolbarSlots = 7;
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
    frmMain& w = window_;
    if (enabled) {
        w.picDrag()->setVisible(true);
        for (QWidget* control :
             {static_cast<QWidget*>(w.Command3()), static_cast<QWidget*>(w.lblFeed()), w.imgAdd(),
              w.imgRemove(), w.imgStart(), w.imgBrowse(), w.imgConvert()}) {
            control->setEnabled(true);
        }
        for (int i = 0; i < kToolbarSlots; ++i) {
            if (QToolButton* button = w.CmdToolsBar(i)) {
                button->setEnabled(true);
            }
        }
        for (QComboBox* box :
             {w.cmbOF(), w.cmbR(), w.cmbBR(), w.cmbS(), w.cmbVB(), w.cmbF(), w.cmbChannel()}) {
            box->setEnabled(true);
        }
        return;
    }
    for (int i = 0; i < kToolbarSlots; ++i) {
        if (QToolButton* button = w.CmdToolsBar(i)) {
            button->setEnabled(false);
        }
    }
    w.Command3()->setEnabled(false);
    for (QComboBox* box :
         {w.cmbOF(), w.cmbR(), w.cmbBR(), w.cmbS(), w.cmbVB(), w.cmbF(), w.cmbChannel()}) {
        box->setEnabled(false);
    }
    for (QWidget* control : {w.imgConvert(), w.imgStart(), w.imgAdd(), w.imgRemove(), w.imgBrowse(),
                             static_cast<QWidget*>(w.lblFeed())}) {
        control->setEnabled(false);
    }
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

QString& WindowBatchHost::spin() {
    return window_.strSpin;
}

}  // namespace lumivox
