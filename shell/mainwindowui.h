#pragma once

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeView;
class QWidget;

namespace lumivox {

class FormatBoxes;
class ImageButton;
class LinkLabel;

// The main window's controls and where they stand. The design is pixel-positioned (15 twips
// a pixel), so every control gets an absolute geometry in the 698 x 455 client area.
struct MainWindowUi {
    static constexpr int kClientWidth = 698;
    static constexpr int kClientHeight = 455;
    static constexpr int kToolbarSlots = 6;

    QWidget* client = nullptr;

    QMenu* menuFile = nullptr;
    QAction* menuAdd = nullptr;
    QAction* menuAddFolder = nullptr;
    QAction* menuS = nullptr;
    QAction* menuExit = nullptr;
    QMenu* menuOperate = nullptr;
    QAction* menuDelete = nullptr;
    QAction* menuClear = nullptr;
    QMenu* menuR = nullptr;
    QAction* menuReminder = nullptr;
    QMenu* menuA = nullptr;
    QAction* menuAbout = nullptr;

    std::array<QToolButton*, kToolbarSlots> CmdToolsBar{};  // no button at index 3

    QTreeView* LV = nullptr;
    QWidget* picText = nullptr;
    QLabel* lblText = nullptr;

    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* Command3 = nullptr;
    QProgressBar* pb = nullptr;
    QLabel* lblPB = nullptr;
    QLabel* lblBatch = nullptr;      // under the bar: the whole batch's count and time left
    QLabel* lblVbrNote = nullptr;    // beside the bitrate box's caption while VBR is chosen
    QPushButton* cmdStop = nullptr;  // beside lblPB, shown only while a batch runs
    QLabel* imgPB = nullptr;
    QLineEdit* txtAction = nullptr;

    QLabel* imgRightTop = nullptr;
    ImageButton* imgHelp = nullptr;
    ImageButton* imgMin = nullptr;
    ImageButton* imgExit = nullptr;
    LinkLabel* lblFeed = nullptr;
    LinkLabel* lblWeb = nullptr;

    ImageButton* imgConvert = nullptr;
    ImageButton* imgBrowse = nullptr;
    ImageButton* imgAdd = nullptr;
    ImageButton* imgRemove = nullptr;
    ImageButton* imgStart = nullptr;
    std::array<ImageButton*, 7> imgToolbar{};
    QWidget* picDrag = nullptr;

    // Creates the controls (the seven boxes are made by FormatBoxes, placed here).
    void setupUi(QMainWindow* window);
    void placeFormatBoxes(const FormatBoxes& boxes);
    // While a batch runs the caption makes room for the stop button.
    void showStop(bool shown);
};

}  // namespace lumivox
