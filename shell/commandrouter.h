#pragma once

#include <QObject>

class QLineEdit;
class QMenu;
class QWidget;

namespace lumivox {

class FileListCommands;

// The dispatch points between the toolbar, the menus, the remove popup and the commands:
// toolbar button index -> command number -> command, and the hidden command box txtAction.
// Commands owned elsewhere leave as signals; unconnected, they do nothing.
class CommandRouter : public QObject {
    Q_OBJECT
  public:
    CommandRouter(FileListCommands* files, QLineEdit* txtAction, QWidget* owner);

    // Button index 0, 1, 2, 4, 5 -> command number 0, 6, 1, 2, 4; others do nothing.
    void CmdToolsBar_Click(int index);
    // Command numbers 0, 1, 2, 3, 4, 6; others do nothing.
    void imgToolbar_Click(int number);
    // Runs the command written into txtAction, then empties the box.
    void txtAction_Change();

    // The remove popup (command 1), created the first time it is needed.
    QMenu* menuRemove();

  signals:
    void addFolderRequested();  // command 6
    void optionsRequested();    // command 2
    void helpRequested();       // command 3
    void exitRequested();       // command 4

  private:
    FileListCommands* files_;
    QLineEdit* txtAction_;
    QWidget* owner_;
    QMenu* menuRemove_ = nullptr;
};

inline const QString kRemoveSelected = QStringLiteral("RemoveSelected");

}  // namespace lumivox
