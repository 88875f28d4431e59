#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "filelist/folderscan.h"

class QLineEdit;
class QTreeView;
class QWidget;

namespace lumivox {

class CCommonDialogs;
class FileListModel;

// The commands that fill and empty the file list, the empty-list hint and the output-folder
// command. The window owns the controls; this class only works on them.
class FileListCommands : public QObject {
    Q_OBJECT
  public:
    FileListCommands(FileListModel* model, QTreeView* LV, QWidget* picText, QLineEdit* txtPath,
                     CCommonDialogs* dialogs, QWidget* owner);

    // Add files through the open dialog; a cancel changes nothing.
    void imgAdd_Click();
    // Remove the selected row, if any.
    void imgRemove_Click();
    void RemoveSelectedEntry();
    // Remove every entry the list holds now, serving events between removals.
    void ClearFileList();
    // picText is shown exactly while the list is empty.
    void UpdateEmptyHint();
    // Choose the output folder; a cancel puts back the default folder.
    void imgBrowse_Click();
    // Add every FLAC file below a folder chosen in the folder dialog. Refused while a batch
    // holds the list or another scan runs; events are served while the folder is walked.
    void ScanFolderIntoList();
    bool isScanning() const { return scan_.isRunning(); }
    // Ends a scan in progress; what it found so far is not added.
    void cancelScan();
    // The paths the last scan found, in order.
    const QStringList& lstAddFolder() const { return lstAddFolder_; }

    // Folder of the last file picked in the add dialog, with its separator; empty at start.
    QString LastAddFolder() const { return lastAddFolder_; }

  signals:
    // A folder walk began (true) or ended (false).
    void scanRunningChanged(bool running);

  private:
    FileListModel* model_;
    QTreeView* LV_;
    QWidget* picText_;
    QLineEdit* txtPath_;
    CCommonDialogs* dialogs_;
    QWidget* owner_;
    QString lastAddFolder_;
    QStringList lstAddFolder_;
    FolderScan scan_;
    bool scanCancelled_ = false;
};

}  // namespace lumivox
