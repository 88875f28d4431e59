#include "shell/commandrouter.h"

#include <QAction>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "shell/filelistcommands.h"
#include "shell/mainwindowui.h"
#include "widgets/imagebutton.h"

namespace lumivox {

CommandRouter::CommandRouter(FileListCommands* files, const MainWindowUi& ui, QWidget* owner)
    : QObject(owner), files_(files), txtAction_(ui.txtAction), imgHelp_(ui.imgHelp), owner_(owner) {
    connectFrontEnds(ui);
}

void CommandRouter::connectFrontEnds(const MainWindowUi& ui) {
    connect(txtAction_, &QLineEdit::textChanged, this, [this] { txtAction_Change(); });

    for (int index = 0; index < MainWindowUi::kToolbarSlots; ++index) {
        if (QToolButton* button = ui.CmdToolsBar[static_cast<size_t>(index)]) {
            connect(button, &QToolButton::clicked, this,
                    [this, index] { CmdToolsBar_Click(index); });
        }
    }
    for (size_t number = 0; number < ui.imgToolbar.size(); ++number) {
        connect(ui.imgToolbar[number], &ImageButton::clicked, this,
                [this, number] { imgToolbar_Click(static_cast<int>(number)); });
    }

    connect(ui.menuAdd, &QAction::triggered, this, [this] { CmdToolsBar_Click(0); });
    connect(ui.menuAddFolder, &QAction::triggered, this, [this] { CmdToolsBar_Click(1); });
    connect(ui.menuExit, &QAction::triggered, this, [this] { CmdToolsBar_Click(5); });
    connect(ui.menuReminder, &QAction::triggered, this, [this] { CmdToolsBar_Click(4); });
    connect(ui.menuDelete, &QAction::triggered, this,
            [this] { txtAction_->setText(kRemoveSelected); });
    connect(ui.menuClear, &QAction::triggered, files_, &FileListCommands::ClearFileList);
    connect(ui.menuAbout, &QAction::triggered, this, &CommandRouter::aboutRequested);

    connect(ui.imgAdd, &ImageButton::clicked, files_, &FileListCommands::imgAdd_Click);
    connect(ui.imgRemove, &ImageButton::clicked, files_, &FileListCommands::imgRemove_Click);
    connect(ui.imgBrowse, &ImageButton::clicked, files_, &FileListCommands::imgBrowse_Click);
    connect(ui.cmdBrowse, &QPushButton::clicked, files_, &FileListCommands::imgBrowse_Click);
    connect(ui.imgStart, &ImageButton::clicked, this, &CommandRouter::startRequested);
    connect(ui.imgConvert, &ImageButton::clicked, this, &CommandRouter::startRequested);
    connect(ui.Command3, &QPushButton::clicked, this, &CommandRouter::startRequested);
    connect(ui.imgExit, &ImageButton::clicked, this, &CommandRouter::exitRequested);
    connect(ui.imgMin, &ImageButton::clicked, this, &CommandRouter::minimizeRequested);
    connect(ui.imgHelp, &ImageButton::clicked, this, &CommandRouter::imgHelp_Click);
    connect(ui.lblFeed, &LinkLabel::clicked, this, &CommandRouter::feedbackRequested);
    connect(ui.lblWeb, &LinkLabel::clicked, this, &CommandRouter::webRequested);
}

void CommandRouter::CmdToolsBar_Click(int index) {
    switch (index) {
        case 0:
            imgToolbar_Click(0);
            break;
        case 1:
            imgToolbar_Click(6);
            break;
        case 2:
            imgToolbar_Click(1);
            break;
        case 4:
            imgToolbar_Click(2);
            break;
        case 5:
            imgToolbar_Click(4);
            break;
        default:
            break;
    }
}

void CommandRouter::imgToolbar_Click(int number) {
    switch (number) {
        case 0:
            files_->imgAdd_Click();
            break;
        case 1:
            menuRemove()->exec(QCursor::pos());
            break;
        case 2:
            emit optionsRequested();
            break;
        case 3:
            imgHelp_Click();
            break;
        case 4:
            emit exitRequested();
            break;
        case 6:
            emit addFolderRequested();
            break;
        default:
            break;
    }
}

void CommandRouter::imgHelp_Click() {
    emit helpRequested();
    if (imgHelp_ != nullptr) {
        imgHelp_->setHighlighted(false);
    }
}

void CommandRouter::txtAction_Change() {
    if (txtAction_->text() == kRemoveSelected) {
        files_->imgRemove_Click();
    }
    // Emptying re-enters once with an empty text, which matches nothing.
    txtAction_->setText(QString());
}

QMenu* CommandRouter::menuRemove() {
    if (menuRemove_ == nullptr) {
        frmMenu_ = new QWidget(owner_, Qt::Window);
        frmMenu_->setObjectName(QStringLiteral("frmMenu"));
        menuRemove_ = new QMenu(QStringLiteral("Remove"), frmMenu_);
        menuRemove_->setObjectName(QStringLiteral("menuRemove"));
        QAction* selected = menuRemove_->addAction(QStringLiteral("移除选择项"));
        selected->setObjectName(QStringLiteral("menuRemoveSelected"));
        connect(selected, &QAction::triggered, this,
                [this] { txtAction_->setText(kRemoveSelected); });
        QAction* all = menuRemove_->addAction(QStringLiteral("移除全部"));
        all->setObjectName(QStringLiteral("menuRemoveAll"));
        connect(all, &QAction::triggered, files_, &FileListCommands::ClearFileList);
    }
    return menuRemove_;
}

}  // namespace lumivox
