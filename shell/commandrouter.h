#pragma once

#include <QObject>

class QLineEdit;
class QMenu;
class QWidget;

namespace lumivox {

class FileListCommands;
class ImageButton;
struct MainWindowUi;

// The one routing table of the main window: every front end (toolbar, menu bar, remove popup,
// txtAction channel, image buttons and labels) reaches its command here. Commands the file
// list carries out are called directly; the others leave as signals that the program connects.
class CommandRouter : public QObject {
    Q_OBJECT
  public:
    CommandRouter(FileListCommands* files, const MainWindowUi& ui, QWidget* owner);

    // Button index 0, 1, 2, 4, 5 -> command number 0, 6, 1, 2, 4; others do nothing.
    void CmdToolsBar_Click(int index);
    // Command numbers 0, 1, 2, 3, 4, 6; others do nothing.
    void imgToolbar_Click(int number);
    // The help command: help opens, then the help image drops its highlight.
    void imgHelp_Click();
    // Runs the command written into txtAction, then empties the box.
    void txtAction_Change();

    // The remove popup (command 1). Its owner is frmMenu, a window that is never shown; both
    // are created the first time the popup is needed.
    QMenu* menuRemove();

  signals:
    void startRequested();      // Command3, imgStart, imgConvert
    void addFolderRequested();  // command 6
    void optionsRequested();    // command 2
    void helpRequested();       // command 3, imgHelp
    void exitRequested();       // command 4, imgExit
    void minimizeRequested();   // imgMin
    void aboutRequested();      // menuAbout
    void feedbackRequested();   // lblFeed
    void webRequested();        // lblWeb

  private:
    void connectFrontEnds(const MainWindowUi& ui);

    FileListCommands* files_;
    QLineEdit* txtAction_;
    ImageButton* imgHelp_;
    QWidget* owner_;
    QWidget* frmMenu_ = nullptr;
    QMenu* menuRemove_ = nullptr;
};

inline const QString kRemoveSelected = QStringLiteral("RemoveSelected");

}  // namespace lumivox
