#include "shell/filelistcommands.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "engine/base/apppaths.h"
#include "engine/base/throttledserve.h"
#include "filelist/commondialogs.h"
#include "filelist/filelistmodel.h"

namespace lumivox {

namespace {
const QString kAddTitle = QStringLiteral("Open Files");
const QString kAddFilter =
    QStringLiteral("FLAC声音文件(*.FLAC, *.flac)|*.flac|所有格式文件(*.*)|*.*");
const QString kFolderTitle = QStringLiteral("请选择一个文件夹:");
const QString kScanTitle = QStringLiteral("选择一个文件夹:");
const QString kSearching = QStringLiteral("搜索文件...");
const QString kDropHint = QStringLiteral("拖拽文件到这里开始转换");

void serveFrame() {
    QCoreApplication::processEvents();
}
}  // namespace

FileListCommands::FileListCommands(FileListModel* model, QTreeView* LV, QWidget* picText,
                                   QLineEdit* txtPath, CCommonDialogs* dialogs, QWidget* owner)
    : QObject(owner),
      model_(model),
      LV_(LV),
      picText_(picText),
      txtPath_(txtPath),
      dialogs_(dialogs),
      owner_(owner),
      scan_(serveFrame) {}

void FileListCommands::imgAdd_Click() {
    // A held list would refuse the pick; do not ask the user for a file that cannot be added.
    if (model_->isHeld()) {
        return;
    }
    dialogs_->setTitle(kAddTitle);
    if (!lastAddFolder_.isEmpty()) {
        dialogs_->setPath(lastAddFolder_);
    }
    dialogs_->setFilter(kAddFilter);
    if (!dialogs_->ShowOpen()) {
        return;
    }
    const QString fileName = dialogs_->FileName();
    if (!fileName.isEmpty()) {
        lastAddFolder_ = ParsePath(fileName);
        model_->AddFileEntry(fileName);
    }
    UpdateEmptyHint();
}

void FileListCommands::imgRemove_Click() {
    RemoveSelectedEntry();
}

void FileListCommands::RemoveSelectedEntry() {
    if (model_->FileCount() > 0 && LV_->selectionModel() != nullptr) {
        const QModelIndexList rows = LV_->selectionModel()->selectedRows();
        if (!rows.isEmpty()) {
            model_->removeEntryAt(rows.first().row());
        }
    }
    UpdateEmptyHint();
}

void FileListCommands::ClearFileList() {
    // Serving events after every single removal repaints the list each time (about 2.4 ms a
    // row, 24 s for 10 000 rows).
    ThrottledServe serve(serveFrame);
    model_->ClearFileList([&serve] { serve(); });
    QCoreApplication::processEvents();
    // Entries added while the clear served events (or a held list) stay, so the hint follows
    // the list instead of being shown unconditionally.
    UpdateEmptyHint();
}

void FileListCommands::UpdateEmptyHint() {
    picText_->setVisible(model_->FileCount() == 0);
}

void FileListCommands::imgBrowse_Click() {
    const auto folder = PickFolder(owner_, kFolderTitle);
    txtPath_->setText(folder ? *folder : paths::defaultOutputFolder());
}

void FileListCommands::ScanFolderIntoList() {
    // Asking for a folder whose files could not be added would waste the user's time.
    if (model_->isHeld() || scan_.isRunning()) {
        return;
    }
    auto* lblText = picText_->findChild<QLabel*>(QStringLiteral("lblText"));
    const auto folder = PickFolder(owner_, kScanTitle);
    picText_->setVisible(true);
    if (lblText != nullptr) {
        lblText->setText(kSearching);
    }
    if (folder && !folder->isEmpty()) {
        lstAddFolder_.clear();
        // Qt's dialogs leave out names that are not UTF-8, so the picked folder is its own name;
        // the names below it may not be.
        QList<QByteArray> natives;
        scanCancelled_ = false;
        emit scanRunningChanged(true);
        scan_.SearchFolder(*folder, lstAddFolder_, &natives);
        emit scanRunningChanged(false);
        if (!scanCancelled_) {
            // One insert for the whole result, so the view is not redrawn per file.
            model_->addFileEntries(lstAddFolder_, *folder, natives);
        }
    }
    if (lblText != nullptr) {
        lblText->setText(kDropHint);
    }
    UpdateEmptyHint();
}

void FileListCommands::cancelScan() {
    scanCancelled_ = true;
    scan_.cancel();
}

}  // namespace lumivox
