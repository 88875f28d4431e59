#pragma once

#include <QObject>

#include "widgets/leftclick.h"

class QMimeData;
class QTreeView;
class QWidget;

namespace lumivox {

class FileListCommands;
class FileListModel;

// Drops of files onto the list view and the drop zone picDrag, and the drop zone's click. Every
// local file or folder of a drop becomes one entry, in the order given; nothing else is added,
// and a drop never starts a conversion. While a batch holds the list, drags are refused.
class FileDrops : public QObject {
    Q_OBJECT
  public:
    FileDrops(FileListModel* model, FileListCommands* commands, QTreeView* LV, QWidget* picDrag,
              QWidget* owner);

    // The drop handling both targets share; returns the number of entries added.
    int dropFiles(const QMimeData* data);
    // Files named on the command line, as their bytes: added as dropped ones are, relative names
    // against the current folder; names of no regular file are left out. Returns the number added.
    int addNamedFiles(const QList<QByteArray>& paths);
    // The single-file dialog "打开文件".
    void picDrag_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FileListModel* model_;
    FileListCommands* commands_;
    QWidget* listView_;
    QWidget* listTarget_;
    QWidget* picDrag_;
    QWidget* owner_;
    LeftClick dropZoneClick_;
};

}  // namespace lumivox
