#include "shell/mainwindowui.h"

#include "engine/base/messages.h"

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include "shell/formatboxes.h"
#include "widgets/imagebutton.h"
#include "widgets/naming.h"
#include "widgets/skin.h"

namespace lumivox {

namespace {

// Right-hand column: the three audio boxes and the output folder.
constexpr int kRightLeft = 486;  // 7290 twips
constexpr int kRightWidth = 189;
constexpr int kLabelGap = 19;  // a caption stands this far above its box
constexpr int kBoxHeight = 24;

// List area on the left, under the toolbar.
constexpr int kListLeft = 12;
constexpr int kListTop = 80;
constexpr int kListWidth = 455;
constexpr int kListHeight = 320;
constexpr int kBottomRow = 412;
constexpr int kStopWidth = 40;

constexpr int kOffLeft = offLeft(MainWindowUi::kClientWidth);

QAction* addItem(QMenu* menu, const char* name, const QString& caption) {
    return named(menu->addAction(caption), name);
}

QLabel* caption(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(kRightLeft, top - kLabelGap, kRightWidth, 17);
    return label;
}

}  // namespace

void MainWindowUi::setupUi(QMainWindow* window) {
    window->setObjectName(QStringLiteral("frmMain"));
    window->setWindowTitle(kProgramTitle);
    window->setFont(uiFont(9));

    client = named(new QWidget(window), "client");
    client->setFixedSize(kClientWidth, kClientHeight);
    window->setCentralWidget(client);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Menu bar.
    QMenuBar* bar = window->menuBar();
    menuFile = named(bar->addMenu(QStringLiteral("文件")), "menuFile");
    menuAdd = addItem(menuFile, "menuAdd", QStringLiteral("添加文件"));
    menuAddFolder = addItem(menuFile, "menuAddFolder", QStringLiteral("添加文件夹"));
    menuS = named(menuFile->addSeparator(), "menuS");
    menuExit = addItem(menuFile, "menuExit", QStringLiteral("退出程序"));
    menuOperate = named(bar->addMenu(QStringLiteral("文件操作")), "menuOperate");
    menuDelete = addItem(menuOperate, "menuDelete", QStringLiteral("移除选中文件"));
    menuClear = addItem(menuOperate, "menuClear", QStringLiteral("移除全部"));
    menuR = named(bar->addMenu(QStringLiteral("提示设置")), "menuR");
    menuReminder = addItem(menuR, "menuReminder", QStringLiteral("提示设置"));
    menuA = named(bar->addMenu(QStringLiteral("关于")), "menuA");
    menuAbout = addItem(menuA, "menuAbout", QStringLiteral("关于"));

    // Toolbar row along the top.
    auto* strip = named(new QFrame(client), "toolStrip");
    strip->setGeometry(0, 0, kClientWidth, 68);
    strip->setAttribute(Qt::WA_TransparentForMouseEvents);  // part of the bare background
    struct Tool {
        int index;
        const char* caption;
        const char* icon;
    };
    const Tool tools[] = {{0, "添加文件", "tool_add.svg"},
                          {1, "添加文件夹", "tool_folder.svg"},
                          {2, "移除文件", "tool_remove.svg"},
                          {4, "提示设置", "tool_reminder.svg"},
                          {5, "退出程序", "tool_exit.svg"}};
    int slot = 0;
    for (const Tool& tool : tools) {
        auto* button = new QToolButton(client);
        button->setObjectName(QStringLiteral("CmdToolsBar_%1").arg(tool.index));
        button->setText(QString::fromUtf8(tool.caption));
        button->setIcon(QIcon(resourcePicture(QString::fromLatin1(tool.icon), 32, 32)));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(kListLeft + slot * 82, 4, 78, 60);
        CmdToolsBar[static_cast<size_t>(tool.index)] = button;
        ++slot;
    }

    // Product picture in the top right corner, with the three corner buttons over it.
    imgRightTop = named(new QLabel(client), "imgRightTop");
    imgRightTop->setGeometry(kClientWidth - 109, 0, 109, 111);
    imgRightTop->setPixmap(resourcePicture(QStringLiteral("product.svg"), 109, 111));
    struct Corner {
        ImageButton** button;
        const char* name;
        int left, size;
        const char* light;
        int lightWidth, lightHeight;
        const char* tip;
    };
    const Corner corners[] = {
        {&imgHelp, "imgHelp", 641, 15, "light_help.svg", 12, 17, "Help & Tutorial"},
        {&imgMin, "imgMin", 660, 14, "light_min.svg", 14, 14, "Minimize Window"},
        {&imgExit, "imgExit", 678, 15, "light_exit.svg", 14, 13, "Exit"},
    };
    for (const Corner& c : corners) {
        auto* button = new ImageButton(QString::fromLatin1(c.name), client);
        button->setGeometry(c.left, 5, c.size, c.size);
        button->setHighlightPicture(
            resourcePicture(QString::fromLatin1(c.light), c.lightWidth, c.lightHeight));
        button->setToolTip(QString::fromLatin1(c.tip));
        *c.button = button;
    }

    // The file list, with its hint over it while it is empty.
    LV = named(new QTreeView(client), "LV");
    LV->setGeometry(kListLeft, kListTop, kListWidth, kListHeight);
    LV->setRootIsDecorated(false);
    LV->setUniformRowHeights(true);
    LV->setSelectionMode(QAbstractItemView::SingleSelection);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setAllColumnsShowFocus(true);
    // Long paths are elided in the middle, keeping the file name in view; no sideways scrolling.
    LV->setTextElideMode(Qt::ElideMiddle);
    LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->header()->setStretchLastSection(true);
    LV->header()->setSectionsMovable(false);

    picText = named(new QWidget(client), "picText");
    picText->setGeometry(kListLeft + (kListWidth - 320) / 2, kListTop + (kListHeight - 28) / 2, 320,
                         28);
    // Drops and clicks belong to the list beneath.
    picText->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblText = named(new QLabel(QStringLiteral("拖拽文件到这里开始转换"), picText), "lblText");
    lblText->setGeometry(0, 0, 320, 28);
    lblText->setAlignment(Qt::AlignCenter);
    lblText->setFont(uiFont(9, true));
    lblText->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128);"));

    // Output folder and start.
    caption(client, QStringLiteral("采样率"), 161);
    caption(client, QStringLiteral("比特率"), 215);
    lblVbrNote = named(new QLabel(QStringLiteral("（可变码率时不用）"), client), "lblVbrNote");
    lblVbrNote->setGeometry(kRightLeft + 48, 215 - kLabelGap, kRightWidth - 48, 17);
    lblVbrNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVbrNote->hide();
    caption(client, QStringLiteral("声道"), 271);
    caption(client, QStringLiteral("输出目录"), 329);
    txtPath = named(new QLineEdit(client), "txtPath");
    txtPath->setGeometry(kRightLeft, 329, 137, kBoxHeight);
    cmdBrowse = named(new QPushButton(QStringLiteral("浏览"), client), "cmdBrowse");
    cmdBrowse->setGeometry(kRightLeft + 143, 329, kRightWidth - 143, kBoxHeight);
    Command3 = named(new QPushButton(QStringLiteral("立刻开始转换！"), client), "Command3");
    Command3->setGeometry(kRightLeft, kListTop + kListHeight - 34, kRightWidth, 34);
    Command3->setFont(uiFont(10.5, true));

    // Progress of the current file.
    pb = named(new QProgressBar(client), "pb");
    pb->setRange(0, 100);
    pb->setValue(0);
    pb->setTextVisible(false);
    pb->setGeometry(kListLeft, kBottomRow, kListWidth, 18);
    // The caption grows to "准备中 - 正在估算音频长度" and "转换中\ 99.5%": it gets the width of
    // the right column, beside the bar and under the start button.
    lblPB = named(new QLabel(QStringLiteral("0%"), client), "lblPB");
    lblPB->setGeometry(kRightLeft, kBottomRow, kRightWidth, 18);
    lblPB->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblBatch = named(new QLabel(client), "lblBatch");
    lblBatch->setGeometry(kListLeft + 130, kBottomRow + 22, kListWidth - 130, 17);
    lblBatch->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdStop = named(new QPushButton(QStringLiteral("停止"), client), "cmdStop");
    cmdStop->setGeometry(kRightLeft + kRightWidth - kStopWidth, kBottomRow - 2, kStopWidth, 22);
    cmdStop->setAutoDefault(false);
    cmdStop->hide();
    imgPB = named(new QLabel(client), "imgPB");
    imgPB->setPixmap(resourcePicture(QStringLiteral("progress.svg"), 100, 13));
    imgPB->setScaledContents(true);
    imgPB->setGeometry(236, 532, 0, 13);  // 3540, 7980, 195 twips: below the client area

    QFont webFont = uiFont(8.25, true);
    webFont.setUnderline(true);
    lblWeb = new LinkLabel(QStringLiteral("lblWeb"), kProgramTitle, client);
    lblWeb->setFont(webFont);  // always bold: the pointer changes nothing on it
    lblWeb->setGeometry(kListLeft, 434, 120, 17);
    QFont feedFont = uiFont(8.25);
    feedFont.setUnderline(true);
    lblFeed = new LinkLabel(QStringLiteral("lblFeed"), QStringLiteral("意见反馈"), client);
    lblFeed->setFont(feedFont);
    lblFeed->setGeometry(kRightLeft + kRightWidth - 80, 434, 80, 17);
    lblFeed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Image buttons, the drop zone and the command box, all out of the pointer's reach.
    struct Off {
        ImageButton** button;
        const char* name;
    };
    const Off offs[] = {{&imgConvert, "imgConvert"},
                        {&imgBrowse, "imgBrowse"},
                        {&imgAdd, "imgAdd"},
                        {&imgRemove, "imgRemove"},
                        {&imgStart, "imgStart"}};
    int row = 0;
    for (const Off& o : offs) {
        *o.button = new ImageButton(QString::fromLatin1(o.name), client);
        (*o.button)->setGeometry(kOffLeft, 10 + row++ * 24, 20, 20);
    }
    for (size_t i = 0; i < imgToolbar.size(); ++i) {
        imgToolbar[i] = new ImageButton(QStringLiteral("imgToolbar_%1").arg(i), client);
        imgToolbar[i]->setGeometry(kOffLeft + 30, 10 + static_cast<int>(i) * 24, 20, 20);
    }
    picDrag = named(new QWidget(client), "picDrag");
    picDrag->setGeometry(kOffLeft, 300, 100, 100);
    txtAction = named(new QLineEdit(client), "txtAction");
    txtAction->setGeometry(kOffLeft, 420, 100, 20);
    txtAction->hide();
}

void MainWindowUi::showStop(bool shown) {
    cmdStop->setVisible(shown);
    cmdStop->setEnabled(shown);
    lblPB->resize(shown ? kRightWidth - kStopWidth - 4 : kRightWidth, lblPB->height());
}

void MainWindowUi::placeFormatBoxes(const FormatBoxes& boxes) {
    boxes.cmbR()->setGeometry(kRightLeft, 161, kRightWidth, kBoxHeight);
    boxes.cmbBR()->setGeometry(kRightLeft, 215, kRightWidth, kBoxHeight);
    boxes.cmbChannel()->setGeometry(kRightLeft, 271, kRightWidth, kBoxHeight);
    // As designed: the format box reaches past the right edge, the video boxes lie beyond it.
    boxes.cmbOF()->setGeometry(686, 100, kRightWidth, kBoxHeight);
    boxes.cmbVB()->setGeometry(690, 164, kRightWidth, kBoxHeight);
    boxes.cmbS()->setGeometry(690, 222, kRightWidth, kBoxHeight);
    boxes.cmbF()->setGeometry(790, 164, kRightWidth, kBoxHeight);
    // The corner art and its buttons stay above the format box's visible sliver.
    imgRightTop->raise();
    imgHelp->raise();
    imgMin->raise();
    imgExit->raise();
}

}  // namespace lumivox
