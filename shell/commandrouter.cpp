#include "commandrouter.h"

#include <QCursor>
#include <QLineEdit>
#include <QMenu>

#include "filelistcommands.h"

namespace lumivox {

CommandRouter::CommandRouter(FileListCommands* files, QLineEdit* txtAction, QWidget* owner)
    : QObject(owner), files_(files), txtAction_(txtAction), owner_(owner) {
    connect(txtAction_, &QLineEdit::textChanged, this, [this] { txtAction_Change(); });
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
            emit helpRequested();
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

void CommandRouter::txtAction_Change() {
    if (txtAction_->text() == kRemoveSelected) {
        files_->imgRemove_Click();
    }
    // Emptying re-enters once with an empty text, which matches nothing.
    txtAction_->setText(QString());
}

QMenu* CommandRouter::menuRemove() {
    if (menuRemove_ == nullptr) {
        menuRemove_ = new QMenu(QStringLiteral("Remove"), owner_);
        menuRemove_->setObjectName(QStringLiteral("menuRemove"));
        QAction* selected = menuRemove_->addAction(QStringLiteral("移除选择项"));
        selected->setObjectName(QStringLiteral("menuRemoveSelected"));
        connect(selected, &QAction::triggered, this,
                [this] { txtAction_->setText(kRemoveSelected); });
        QAction* all = menuRemove_->addAction(QStringLiteral("移除全部"));
        all->setObjectName(QStringLiteral("menuRemoveAll"));
        connect(all, &QAction::triggered, this, [this] { files_->ClearFileList(); });
    }
    return menuRemove_;
}

}  // namespace lumivox
