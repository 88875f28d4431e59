#include "frmmain.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>

#include "commandrouter.h"
#include "commondialogs.h"
#include "filelistcommands.h"
#include "filelistmodel.h"
#include "formatboxes.h"
#include "imagebutton.h"
#include "messages.h"
#include "skin.h"

namespace lumivox {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), dialogs_(new CCommonDialogs) {
    ui_.setupUi(this);

    SkinH_Attach();
    SkinH_Aero(this);
    SkinH_Aero_Adjust(220, 0, 0, 0, 0, 0, 0, 0, 0);

    dialogs_->Init(this);
    strSpin = QStringLiteral("-");
    ui_.imgPB->resize(0, ui_.imgPB->height());

    fileList_ = new FileListModel(this);
    ui_.LV->setModel(fileList_);
    // "文件名" takes about four fifths of the list, "格式" the rest (361 and 94 of 455 px).
    ui_.LV->header()->resizeSection(FileListModel::PathColumn, 361 - 2 * ui_.LV->frameWidth());

    formatBoxes_ = new FormatBoxes(ui_.client, ui_.txtPath);
    ui_.placeFormatBoxes(*formatBoxes_);
    fileCommands_ =
        new FileListCommands(fileList_, ui_.LV, ui_.picText, ui_.txtPath, dialogs_.get(), this);
    router_ = new CommandRouter(fileCommands_, ui_.txtAction, this);
    connectRoutes();

    formatBoxes_->selectDefaults();
    setWindowTitle(kProgramTitle);
    ui_.lblWeb->setText(kProgramTitle);
    UpdateEmptyHint();

    // Moving over the bare background resets the highlights and drags the window.
    ui_.client->setMouseTracking(true);
    ui_.client->installEventFilter(this);
}

frmMain::~frmMain() = default;

void frmMain::connectRoutes() {
    for (int index = 0; index < MainWindowUi::kToolbarSlots; ++index) {
        if (QToolButton* button = ui_.CmdToolsBar[static_cast<size_t>(index)]) {
            connect(button, &QToolButton::clicked, this,
                    [this, index] { CmdToolsBar_Click(index); });
        }
    }
    for (size_t number = 0; number < ui_.imgToolbar.size(); ++number) {
        connect(ui_.imgToolbar[number], &ImageButton::clicked, this,
                [this, number] { imgToolbar_Click(static_cast<int>(number)); });
    }
    connect(ui_.menuAdd, &QAction::triggered, this, [this] { CmdToolsBar_Click(0); });
    connect(ui_.menuAddFolder, &QAction::triggered, this, [this] { CmdToolsBar_Click(1); });
    connect(ui_.menuExit, &QAction::triggered, this, [this] { CmdToolsBar_Click(5); });
    connect(ui_.menuReminder, &QAction::triggered, this, [this] { CmdToolsBar_Click(4); });
    connect(ui_.menuDelete, &QAction::triggered, this,
            [this] { ui_.txtAction->setText(kRemoveSelected); });
    connect(ui_.menuClear, &QAction::triggered, fileCommands_, &FileListCommands::ClearFileList);
    connect(ui_.menuAbout, &QAction::triggered, this, &frmMain::aboutRequested);

    connect(router_, &CommandRouter::exitRequested, this, &frmMain::exitRequested);
    connect(router_, &CommandRouter::helpRequested, this, &frmMain::helpRequested);
    connect(router_, &CommandRouter::optionsRequested, this, &frmMain::optionsRequested);
    connect(router_, &CommandRouter::addFolderRequested, this, &frmMain::addFolderRequested);

    connect(ui_.imgAdd, &ImageButton::clicked, fileCommands_, &FileListCommands::imgAdd_Click);
    connect(ui_.imgRemove, &ImageButton::clicked, fileCommands_,
            &FileListCommands::imgRemove_Click);
    connect(ui_.imgBrowse, &ImageButton::clicked, fileCommands_,
            &FileListCommands::imgBrowse_Click);
    connect(ui_.cmdBrowse, &QPushButton::clicked, fileCommands_,
            &FileListCommands::imgBrowse_Click);
    connect(ui_.imgStart, &ImageButton::clicked, this, &frmMain::startRequested);
    connect(ui_.imgConvert, &ImageButton::clicked, this, &frmMain::startRequested);
    connect(ui_.Command3, &QPushButton::clicked, this, &frmMain::startRequested);
    connect(ui_.imgExit, &ImageButton::clicked, this, &frmMain::exitRequested);
    connect(ui_.imgMin, &ImageButton::clicked, this, &frmMain::imgMin_Click);
    connect(ui_.imgHelp, &ImageButton::clicked, this, &frmMain::helpRequested);
    connect(ui_.lblFeed, &LinkLabel::clicked, this, &frmMain::feedbackRequested);
    connect(ui_.lblWeb, &LinkLabel::clicked, this, &frmMain::webRequested);
}

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

void frmMain::CmdToolsBar_Click(int index) {
    router_->CmdToolsBar_Click(index);
}

void frmMain::imgToolbar_Click(int number) {
    router_->imgToolbar_Click(number);
}

void frmMain::imgMin_Click() {
    showMinimized();
    ui_.imgMin->setHighlighted(false);
}

void frmMain::resetHighlights() {
    ui_.lblFeed->setHighlighted(false);
    for (ImageButton* button : {ui_.imgHelp, ui_.imgExit, ui_.imgBrowse, ui_.imgMin, ui_.imgStart,
                                ui_.imgAdd, ui_.imgRemove}) {
        button->setHighlighted(false);
    }
    for (ImageButton* button : ui_.imgToolbar) {
        button->setHighlighted(false);
    }
    ui_.imgConvert->setHighlighted(false);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.client && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if ((move->buttons() & Qt::LeftButton) && windowHandle() != nullptr) {
            windowHandle()->startSystemMove();
        }
        resetHighlights();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace lumivox
