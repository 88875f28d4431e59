#include "shell/frmmain.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include "engine/base/messages.h"
#include "filelist/commondialogs.h"
#include "filelist/filelistmodel.h"
#include "shell/commandrouter.h"
#include "shell/filedrops.h"
#include "shell/filelistcommands.h"
#include "shell/formatboxes.h"
#include "widgets/imagebutton.h"
#include "widgets/skin.h"
#include "widgets/skinnedwindow.h"

namespace lumivox {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), dialogs_(new CCommonDialogs) {
    ui_.setupUi(this);

    SkinH_Attach();
    SkinH_Aero(this);
    SkinH_Aero_Adjust(220, 0, 0, 0, 0, 0, 0, 0, 0);

    dialogs_->Init(this);
    ui_.imgPB->resize(0, ui_.imgPB->height());

    fileList_ = new FileListModel(this);
    ui_.LV->setModel(fileList_);
    // "文件名" takes about four fifths of the list, "格式" the rest (361 and 94 of 455 px).
    ui_.LV->header()->resizeSection(FileListModel::PathColumn, 361 - 2 * ui_.LV->frameWidth());

    formatBoxes_ = new FormatBoxes(ui_.client, ui_.txtPath);
    ui_.placeFormatBoxes(*formatBoxes_);
    fileCommands_ =
        new FileListCommands(fileList_, ui_.LV, ui_.picText, ui_.txtPath, dialogs_.get(), this);
    drops_ = new FileDrops(fileList_, fileCommands_, ui_.LV, ui_.picDrag, this);
    router_ = new CommandRouter(fileCommands_, ui_, this);
    connect(fileCommands_, &FileListCommands::scanRunningChanged, this, &frmMain::setScanRunning);
    connect(router_, &CommandRouter::minimizeRequested, this, &frmMain::imgMin_Click);

    formatBoxes_->selectDefaults();
    setWindowTitle(kProgramTitle);
    ui_.lblWeb->setText(kProgramTitle);
    UpdateEmptyHint();

    // Reset order: lblFeed, then the image buttons as the window has always listed them.
    skinned_ = new SkinnedWindow(this, ui_.client);
    skinned_->add(ui_.lblFeed);
    for (ImageButton* button : {ui_.imgHelp, ui_.imgExit, ui_.imgBrowse, ui_.imgMin, ui_.imgStart,
                                ui_.imgAdd, ui_.imgRemove}) {
        skinned_->add(button);
    }
    for (ImageButton* button : ui_.imgToolbar) {
        skinned_->add(button);
    }
    skinned_->add(ui_.imgConvert);
}

frmMain::~frmMain() = default;

QComboBox* frmMain::cmbOF() const {
    return formatBoxes_->cmbOF();
}
QComboBox* frmMain::cmbBR() const {
    return formatBoxes_->cmbBR();
}
QComboBox* frmMain::cmbR() const {
    return formatBoxes_->cmbR();
}
QComboBox* frmMain::cmbChannel() const {
    return formatBoxes_->cmbChannel();
}
QComboBox* frmMain::cmbVB() const {
    return formatBoxes_->cmbVB();
}
QComboBox* frmMain::cmbS() const {
    return formatBoxes_->cmbS();
}
QComboBox* frmMain::cmbF() const {
    return formatBoxes_->cmbF();
}

QToolButton* frmMain::CmdToolsBar(int index) const {
    if (index < 0 || index >= MainWindowUi::kToolbarSlots) {
        return nullptr;
    }
    return ui_.CmdToolsBar[static_cast<size_t>(index)];
}

QWidget* frmMain::imgPB() const {
    return ui_.imgPB;
}
QWidget* frmMain::imgConvert() const {
    return ui_.imgConvert;
}
QWidget* frmMain::imgStart() const {
    return ui_.imgStart;
}
QWidget* frmMain::imgAdd() const {
    return ui_.imgAdd;
}
QWidget* frmMain::imgRemove() const {
    return ui_.imgRemove;
}
QWidget* frmMain::imgBrowse() const {
    return ui_.imgBrowse;
}
QLabel* frmMain::lblFeed() const {
    return ui_.lblFeed;
}
QLabel* frmMain::lblWeb() const {
    return ui_.lblWeb;
}

void frmMain::UpdateEmptyHint() {
    fileCommands_->UpdateEmptyHint();
}

void frmMain::imgMin_Click() {
    showMinimized();
    ui_.imgMin->setHighlighted(false);
}

void frmMain::resetHighlights() {
    skinned_->resetHighlights();
}

void frmMain::setBatchRunning(bool running) {
    const bool enabled = !running;
    for (int i = 0; i < MainWindowUi::kToolbarSlots; ++i) {
        if (QToolButton* button = CmdToolsBar(i)) {
            button->setEnabled(enabled);
        }
    }
    ui_.Command3->setEnabled(enabled);
    for (QAction* item : {ui_.menuAdd, ui_.menuAddFolder, ui_.menuDelete, ui_.menuClear}) {
        item->setEnabled(enabled);
    }
    ui_.showStop(running);
    for (QComboBox* box : {cmbOF(), cmbR(), cmbBR(), cmbS(), cmbVB(), cmbF(), cmbChannel()}) {
        box->setEnabled(enabled);
    }
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.imgConvert), static_cast<QWidget*>(ui_.imgStart),
          static_cast<QWidget*>(ui_.imgAdd), static_cast<QWidget*>(ui_.imgRemove),
          static_cast<QWidget*>(ui_.imgBrowse), static_cast<QWidget*>(ui_.lblFeed)}) {
        control->setEnabled(enabled);
    }
    // The drop zone comes back with the controls; drops are refused by the held list meanwhile.
    if (enabled) {
        ui_.picDrag->setVisible(true);
    }
}

void frmMain::setScanRunning(bool running) {
    for (QWidget* start : {static_cast<QWidget*>(ui_.Command3), static_cast<QWidget*>(ui_.imgStart),
                           static_cast<QWidget*>(ui_.imgConvert)}) {
        start->setEnabled(!running);
    }
}

}  // namespace lumivox
