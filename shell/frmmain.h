#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

#include "shell/mainwindowui.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeView;

namespace lumivox {

class CCommonDialogs;
class CommandRouter;
class FileDrops;
class FileListCommands;
class FileListModel;
class FormatBoxes;
class ImageButton;
class SkinnedWindow;

// The main window: it owns the controls, the file list and the dialogs object, and hands each
// command to the subsystem that carries it out.
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    QComboBox* cmbOF() const;
    QComboBox* cmbBR() const;
    QComboBox* cmbR() const;
    QComboBox* cmbChannel() const;
    QComboBox* cmbVB() const;
    QComboBox* cmbS() const;
    QComboBox* cmbF() const;
    QLineEdit* txtPath() const { return ui_.txtPath; }
    QLineEdit* txtAction() const { return ui_.txtAction; }
    QPushButton* Command3() const { return ui_.Command3; }
    QPushButton* cmdBrowse() const { return ui_.cmdBrowse; }
    QPushButton* cmdStop() const { return ui_.cmdStop; }
    // nullptr for index 3 (there is no such button) and out of range.
    QToolButton* CmdToolsBar(int index) const;
    QProgressBar* pb() const { return ui_.pb; }
    QLabel* lblPB() const { return ui_.lblPB; }
    QLabel* lblBatch() const { return ui_.lblBatch; }
    QLabel* lblVbrNote() const { return ui_.lblVbrNote; }
    QWidget* imgPB() const;
    QWidget* imgConvert() const;
    QWidget* imgStart() const;
    QWidget* imgAdd() const;
    QWidget* imgRemove() const;
    QWidget* imgBrowse() const;
    ImageButton* imgHelp() const { return ui_.imgHelp; }
    QWidget* picDrag() const { return ui_.picDrag; }
    QLabel* lblFeed() const;
    QLabel* lblWeb() const;
    QTreeView* LV() const { return ui_.LV; }
    QWidget* picText() const { return ui_.picText; }
    FileListModel* fileList() const { return fileList_; }
    CCommonDialogs* dialogs() const { return dialogs_.get(); }
    FormatBoxes* formatBoxes() const { return formatBoxes_; }
    FileListCommands* fileCommands() const { return fileCommands_; }
    CommandRouter* router() const { return router_; }
    FileDrops* drops() const { return drops_; }

    SkinnedWindow* skinned() const { return skinned_; }

    void UpdateEmptyHint();
    // Minimise, then drop imgMin's highlight so the restored window shows none.
    void imgMin_Click();
    // The highlights of every image button and of lblFeed go back to normal.
    void resetHighlights();
    // Gives away, or gives back, every control that could change the settings or the list or
    // start a second batch while one runs.
    void setBatchRunning(bool running);

  private slots:
    // The start commands wait for a folder walk: its results join the list when it ends.
    void setScanRunning(bool running);

  private:
    MainWindowUi ui_;
    std::unique_ptr<CCommonDialogs> dialogs_;
    FileListModel* fileList_ = nullptr;
    FormatBoxes* formatBoxes_ = nullptr;
    FileListCommands* fileCommands_ = nullptr;
    CommandRouter* router_ = nullptr;
    SkinnedWindow* skinned_ = nullptr;
    FileDrops* drops_ = nullptr;
};

}  // namespace lumivox
