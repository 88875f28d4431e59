#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "engine/base/apppaths.h"
#include "filelist/filelistmodel.h"
#include "shell/commandrouter.h"
#include "shell/filelistcommands.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "tests/shell/window_support.h"
#include "widgets/imagebutton.h"
#include "widgets/messageboxes.h"

namespace lumivox {
namespace {

using testing::ScriptedDialogs;

class WindowTest : public ::testing::Test {
  protected:
    frmMain window;

    void show() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void addFiles(const QStringList& paths) {
        ASSERT_TRUE(window.fileList()->addFileEntries(paths));
    }
    // Selects a row with the mouse, as the user does.
    void clickRow(int row) {
        QTreeView* lv = window.LV();
        const QRect r = lv->visualRect(window.fileList()->index(row, 0));
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, r.center());
    }
    QStringList paths() const {
        QStringList list;
        for (int i = 0; i < window.fileList()->FileCount(); ++i) {
            list << window.fileList()->FilePathAt(i);
        }
        return list;
    }
    QAction* action(const char* name) { return window.findChild<QAction*>(name); }
    bool hintShown() const { return !window.picText()->isHidden(); }
};

TEST_F(WindowTest, EveryNamedControlExists) {
    const char* names[] = {"LV",          "picText",     "lblText",    "cmbOF",     "cmbBR",
                           "cmbR",        "cmbChannel",  "cmbVB",      "cmbS",      "cmbF",
                           "txtPath",     "cmdBrowse",   "Command3",   "pb",        "lblPB",
                           "imgPB",       "imgRightTop", "imgHelp",    "imgMin",    "imgExit",
                           "lblFeed",     "lblWeb",      "imgConvert", "imgBrowse", "imgAdd",
                           "imgRemove",   "imgStart",    "picDrag",    "txtAction", "imgToolbar_0",
                           "imgToolbar_6"};
    for (const char* name : names) {
        EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << name;
    }
    for (const char* name : {"menuFile", "menuOperate", "menuR", "menuA"}) {
        EXPECT_NE(window.findChild<QMenu*>(name), nullptr) << name;
    }
    EXPECT_EQ(window.objectName(), "frmMain");
    EXPECT_EQ(window.windowTitle(), "Lumivox");
    EXPECT_EQ(window.lblWeb()->text(), "Lumivox");
    EXPECT_EQ(window.Command3()->text(), "立刻开始转换！");
    EXPECT_EQ(window.findChild<QLabel*>("lblText")->text(), "拖拽文件到这里开始转换");
    EXPECT_EQ(window.lblFeed()->text(), "意见反馈");
    EXPECT_EQ(window.lblPB()->text(), "0%");
    EXPECT_EQ(window.pb()->minimum(), 0);
    EXPECT_EQ(window.pb()->maximum(), 100);
    EXPECT_TRUE(window.txtAction()->isHidden());
}

// Also while a batch runs, when the stop button stands beside the caption.
TEST_F(WindowTest, TheProgressCaptionHasRoomForItsLongestTexts) {
    for (bool running : {false, true}) {
        window.setBatchRunning(running);
        EXPECT_EQ(window.cmdStop()->isHidden(), !running);
        EXPECT_TRUE(!running ||
                    !window.cmdStop()->geometry().intersects(window.lblPB()->geometry()));
        for (const QString& caption :
             {QStringLiteral("准备中 - 正在估算音频长度"), QStringLiteral("转换中\\ 99.5%"),
              QStringLiteral("完成 100%"), QStringLiteral("已停止")}) {
            window.lblPB()->setText(caption);
            EXPECT_LE(window.lblPB()->fontMetrics().horizontalAdvance(caption),
                      window.lblPB()->contentsRect().width())
                << caption.toStdString() << running;
        }
    }
}

TEST_F(WindowTest, MenusHoldTheirItemsInOrder) {
    const QList<QAction*> top = window.menuBar()->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), "文件");
    EXPECT_EQ(top[1]->text(), "文件操作");
    EXPECT_EQ(top[2]->text(), "提示设置");
    EXPECT_EQ(top[3]->text(), "关于");
    auto captions = [this](const char* menu) {
        QStringList list;
        for (QAction* a : window.findChild<QMenu*>(menu)->actions()) {
            list << (a->isSeparator() ? QStringLiteral("-") : a->text()) + "/" + a->objectName();
        }
        return list;
    };
    EXPECT_EQ(captions("menuFile"), QStringList({"添加文件/menuAdd", "添加文件夹/menuAddFolder",
                                                 "-/menuS", "退出程序/menuExit"}));
    EXPECT_EQ(captions("menuOperate"),
              QStringList({"移除选中文件/menuDelete", "移除全部/menuClear"}));
    EXPECT_EQ(captions("menuR"), QStringList({"提示设置/menuReminder"}));
    EXPECT_EQ(captions("menuA"), QStringList({"关于/menuAbout"}));
}

TEST_F(WindowTest, ToolbarButtonsByIndex) {
    const std::pair<int, const char*> expected[] = {
        {0, "添加文件"}, {1, "添加文件夹"}, {2, "移除文件"}, {4, "提示设置"}, {5, "退出程序"}};
    int previousRight = -1;
    for (const auto& [index, caption] : expected) {
        QToolButton* button = window.CmdToolsBar(index);
        ASSERT_NE(button, nullptr) << index;
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        EXPECT_EQ(button->objectName(), QStringLiteral("CmdToolsBar_%1").arg(index));
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(button->iconSize(), QSize(32, 32));
        EXPECT_FALSE(button->icon().isNull());
        // One row along the top, left to right in index order.
        EXPECT_GT(button->x(), previousRight);
        EXPECT_LT(button->y(), window.LV()->y());
        previousRight = button->geometry().right();
    }
    EXPECT_EQ(window.CmdToolsBar(3), nullptr);
    EXPECT_EQ(window.CmdToolsBar(6), nullptr);
    EXPECT_EQ(window.CmdToolsBar(-1), nullptr);
    EXPECT_EQ(window.findChild<QToolButton*>("CmdToolsBar_3"), nullptr);
}

TEST_F(WindowTest, LayoutFollowsTheDesignedPixels) {
    show();
    EXPECT_EQ(window.centralWidget()->size(), QSize(698, 455));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.LV()->width(), 455);
    EXPECT_NEAR(window.LV()->header()->sectionSize(0), 361, 4);
    EXPECT_NEAR(window.LV()->header()->sectionSize(1), 94, 8);
    EXPECT_FALSE(window.LV()->rootIsDecorated());
    EXPECT_EQ(window.LV()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(window.LV()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(window.LV()->model()->headerData(0, Qt::Horizontal).toString(), "文件名");

    EXPECT_EQ(window.cmbR()->geometry().topLeft(), QPoint(486, 161));
    EXPECT_EQ(window.cmbBR()->geometry().topLeft(), QPoint(486, 215));
    EXPECT_EQ(window.cmbChannel()->geometry().topLeft(), QPoint(486, 271));
    EXPECT_EQ(window.cmbR()->width(), 189);
    EXPECT_EQ(window.txtPath()->geometry().topLeft(), QPoint(486, 329));
    EXPECT_EQ(window.txtPath()->width(), 137);
    EXPECT_EQ(window.cmbOF()->geometry().topLeft(), QPoint(686, 100));
    EXPECT_EQ(window.cmbVB()->geometry().topLeft(), QPoint(690, 164));
    EXPECT_EQ(window.cmbS()->geometry().topLeft(), QPoint(690, 222));
    EXPECT_EQ(window.cmbF()->geometry().topLeft(), QPoint(790, 164));
    EXPECT_EQ(window.imgPB()->geometry(), QRect(236, 532, 0, 13));

    // The three corner buttons over the product picture, left to right, in the top right.
    const QRect art = window.findChild<QWidget*>("imgRightTop")->geometry();
    EXPECT_EQ(art.size(), QSize(109, 111));
    EXPECT_EQ(art.topRight(), QPoint(697, 0));
    int left = art.left();
    for (auto [name, side, tip] :
         {std::tuple{"imgHelp", 15, "Help & Tutorial"}, std::tuple{"imgMin", 14, "Minimize Window"},
          std::tuple{"imgExit", 15, "Exit"}}) {
        auto* button = window.findChild<ImageButton*>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->size(), QSize(side, side)) << name;
        EXPECT_GT(button->x(), left) << name;
        EXPECT_TRUE(art.contains(button->geometry())) << name;
        EXPECT_EQ(button->toolTip(), tip);
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
        left = button->geometry().right();
    }

    // Off-screen controls stay out of the pointer's reach.
    const QRect client(0, 0, 698, 455);
    for (QWidget* w : {window.imgConvert(), window.imgStart(), window.imgAdd(), window.imgRemove(),
                       window.imgBrowse(), window.picDrag()}) {
        EXPECT_FALSE(client.intersects(w->geometry())) << w->objectName().toStdString();
    }
    // Visible controls do not overlap one another.
    QList<QWidget*> visible{window.LV(),
                            window.cmbR(),
                            window.cmbBR(),
                            window.cmbChannel(),
                            window.txtPath(),
                            window.Command3(),
                            window.pb(),
                            window.lblPB(),
                            window.lblFeed(),
                            window.lblWeb(),
                            window.findChild<QWidget*>("cmdBrowse")};
    for (int i = 0; i < visible.size(); ++i) {
        for (int j = i + 1; j < visible.size(); ++j) {
            EXPECT_FALSE(visible[i]->geometry().intersects(visible[j]->geometry()))
                << visible[i]->objectName().toStdString() << " / "
                << visible[j]->objectName().toStdString();
        }
    }
}

TEST_F(WindowTest, DefaultsAtStart) {
    EXPECT_EQ(window.cmbOF()->currentIndex(), 0);
    EXPECT_EQ(window.cmbBR()->currentText(), "320");
    EXPECT_EQ(window.cmbR()->currentText(), "44100");
    EXPECT_EQ(window.cmbChannel()->currentIndex(), 1);
    EXPECT_EQ(window.txtPath()->text(), paths::appFolder() + "/output");
    EXPECT_EQ(window.formatBoxes()->currentSettings().outFolder, paths::appFolder() + "/output/");
    EXPECT_TRUE(hintShown());
}

TEST_F(WindowTest, HintFollowsTheList) {
    ScriptedDialogs dialogs;
    dialogs.accept("/music/a.flac");
    window.router()->CmdToolsBar_Click(0);
    EXPECT_FALSE(hintShown());

    dialogs.accept("/music/b.flac");
    window.router()->CmdToolsBar_Click(0);
    show();
    clickRow(1);
    window.fileCommands()->imgRemove_Click();
    EXPECT_EQ(paths(), QStringList{"/music/a.flac"});
    EXPECT_FALSE(hintShown());

    clickRow(0);
    window.fileCommands()->imgRemove_Click();
    EXPECT_EQ(window.fileList()->FileCount(), 0);
    EXPECT_TRUE(hintShown());
    EXPECT_TRUE(window.picText()->isVisible());

    // Emptied behind the commands' back, the hint waits for the next command to look.
    addFiles({"/x/1.flac"});
    window.UpdateEmptyHint();
    window.fileList()->RemoveFirstEntry();
    EXPECT_FALSE(hintShown());
    window.UpdateEmptyHint();
    EXPECT_TRUE(hintShown());
}

TEST_F(WindowTest, AddDialogRequestAndLastFolder) {
    ScriptedDialogs dialogs;
    dialogs.accept("/music/a.flac");
    dialogs.accept("/other/b.FLAC");
    window.router()->CmdToolsBar_Click(0);
    ASSERT_EQ(dialogs.requests.size(), 1);
    EXPECT_EQ(dialogs.requests[0].kind, DialogRequest::Open);
    EXPECT_EQ(dialogs.requests[0].title, "Open Files");
    EXPECT_EQ(dialogs.requests[0].filter,
              "FLAC声音文件(*.FLAC, *.flac) (*.flac);;所有格式文件(*.*) (*.*)");
    EXPECT_EQ(window.fileCommands()->LastAddFolder(), "/music/");

    window.router()->imgToolbar_Click(0);
    ASSERT_EQ(dialogs.requests.size(), 2);
    EXPECT_EQ(dialogs.requests[1].startFolder, "/music/");
    EXPECT_EQ(window.fileCommands()->LastAddFolder(), "/other/");
    EXPECT_EQ(paths(), QStringList({"/music/a.flac", "/other/b.FLAC"}));
    EXPECT_EQ(window.fileList()->entryAt(1).FormatLabel, "FLAC");
}

TEST_F(WindowTest, CancelledDialogsChangeNothingButTheOutputFolder) {
    ScriptedDialogs dialogs;
    dialogs.accept("/music/a.flac");
    window.router()->CmdToolsBar_Click(0);
    dialogs.cancel();
    window.findChild<QAction*>("menuAdd")->trigger();
    EXPECT_EQ(dialogs.requests.size(), 2);
    EXPECT_EQ(paths(), QStringList{"/music/a.flac"});
    EXPECT_EQ(window.fileCommands()->LastAddFolder(), "/music/");
    EXPECT_FALSE(hintShown());

    // Cancelling on an empty list leaves the hint as it was, too.
    window.fileList()->RemoveFirstEntry();
    window.picText()->hide();
    window.router()->CmdToolsBar_Click(0);
    EXPECT_FALSE(hintShown());

    show();
    dialogs.accept("/srv/out");
    QTest::mouseClick(window.findChild<QPushButton*>("cmdBrowse"), Qt::LeftButton);
    ASSERT_EQ(dialogs.requests.size(), 4);
    EXPECT_EQ(dialogs.requests[3].kind, DialogRequest::Folder);
    EXPECT_EQ(dialogs.requests[3].title, "请选择一个文件夹:");
    EXPECT_EQ(window.txtPath()->text(), "/srv/out");
    dialogs.cancel();
    window.fileCommands()->imgBrowse_Click();
    EXPECT_EQ(window.txtPath()->text(), paths::appFolder() + "/output");
}

TEST_F(WindowTest, RemoveSelectedThroughTheCommandChannel) {
    addFiles({"/a/1.flac", "/a/2.flac", "/a/3.flac", "/a/4.flac"});
    show();
    // Nothing selected: nothing goes, and the box is emptied all the same.
    action("menuDelete")->trigger();
    EXPECT_EQ(window.fileList()->FileCount(), 4);
    EXPECT_TRUE(window.txtAction()->text().isEmpty());

    clickRow(2);
    action("menuDelete")->trigger();
    EXPECT_EQ(paths(), QStringList({"/a/1.flac", "/a/2.flac", "/a/4.flac"}));
    EXPECT_TRUE(window.txtAction()->text().isEmpty());

    // The same command again runs again.
    clickRow(0);
    action("menuDelete")->trigger();
    EXPECT_EQ(paths(), QStringList({"/a/2.flac", "/a/4.flac"}));

    // The popup item takes the same road.
    clickRow(1);
    window.router()->menuRemove()->findChild<QAction*>("menuRemoveSelected")->trigger();
    EXPECT_EQ(paths(), QStringList{"/a/2.flac"});
    EXPECT_TRUE(window.txtAction()->text().isEmpty());

    // Only the exact word is a command.
    clickRow(0);
    window.txtAction()->setText("removeselected");
    EXPECT_EQ(window.fileList()->FileCount(), 1);
    EXPECT_TRUE(window.txtAction()->text().isEmpty());
    QTest::keyClicks(window.txtAction(), "RemoveSelected");  // typed char by char: no match
    EXPECT_EQ(window.fileList()->FileCount(), 1);
    window.txtAction()->setText("RemoveSelected");
    EXPECT_EQ(window.fileList()->FileCount(), 0);
    EXPECT_TRUE(hintShown());
}

TEST_F(WindowTest, RemoveAllFromMenuAndPopup) {
    addFiles({"/a/1.flac", "/a/2.flac", "/a/3.flac"});
    window.UpdateEmptyHint();
    action("menuClear")->trigger();
    EXPECT_EQ(window.fileList()->FileCount(), 0);
    EXPECT_EQ(window.LV()->model()->rowCount(), 0);
    EXPECT_TRUE(hintShown());

    // The toolbar's remove button pops the menu up; its "移除全部" empties the list.
    addFiles({"/a/1.flac", "/a/2.flac"});
    window.UpdateEmptyHint();
    show();
    QString popupName;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popupName = popup->objectName();
        popup->findChild<QAction*>("menuRemoveAll")->trigger();
        popup->close();
    });
    QTest::mouseClick(window.CmdToolsBar(2), Qt::LeftButton);
    EXPECT_EQ(popupName, "menuRemove");
    EXPECT_EQ(window.fileList()->FileCount(), 0);
    EXPECT_TRUE(hintShown());

    // Closing the popup without a choice changes nothing.
    addFiles({"/a/1.flac"});
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
    window.router()->CmdToolsBar_Click(2);
    EXPECT_EQ(window.fileList()->FileCount(), 1);
}

TEST_F(WindowTest, ClearKeepsWhatIsAddedMeanwhileAndTheHintFollows) {
    addFiles({"/a/1.flac", "/a/2.flac"});
    // An entry appended while the clear serves events stays, and the hint stays hidden.
    bool appended = false;
    QObject::connect(window.fileList(), &QAbstractItemModel::rowsRemoved, &window, [&] {
        if (!appended) {
            appended = true;
            QTimer::singleShot(0, &window, [&] { window.fileList()->AddFileEntry("/b/new.flac"); });
        }
    });
    window.fileCommands()->ClearFileList();
    EXPECT_EQ(paths(), QStringList{"/b/new.flac"});
    EXPECT_FALSE(hintShown());
}

TEST_F(WindowTest, HeldListRefusesEveryRoute) {
    ScriptedDialogs dialogs;
    addFiles({"/a/1.flac", "/a/2.flac"});
    window.UpdateEmptyHint();
    show();
    clickRow(0);
    window.fileList()->setHeld(true);
    dialogs.accept("/a/3.flac");
    action("menuAdd")->trigger();
    EXPECT_TRUE(dialogs.requests.isEmpty()) << "no dialog for a file that cannot be added";
    action("menuDelete")->trigger();
    action("menuClear")->trigger();
    window.router()->menuRemove()->findChild<QAction*>("menuRemoveAll")->trigger();
    EXPECT_EQ(paths(), QStringList({"/a/1.flac", "/a/2.flac"}));
    EXPECT_FALSE(hintShown());
    EXPECT_TRUE(window.txtAction()->text().isEmpty());
}

TEST_F(WindowTest, RoutesThatLeaveTheWindowAsSignals) {
    show();
    CommandRouter* router = window.router();
    QSignalSpy start(router, &CommandRouter::startRequested);
    QSignalSpy exit(router, &CommandRouter::exitRequested);
    QSignalSpy options(router, &CommandRouter::optionsRequested);
    QSignalSpy folder(router, &CommandRouter::addFolderRequested);
    QSignalSpy help(router, &CommandRouter::helpRequested);

    QTest::mouseClick(window.Command3(), Qt::LeftButton);
    EXPECT_EQ(start.count(), 1);
    QTest::mouseClick(window.findChild<QWidget*>("imgExit"), Qt::LeftButton);
    QTest::mouseClick(window.CmdToolsBar(5), Qt::LeftButton);
    action("menuExit")->trigger();
    EXPECT_EQ(exit.count(), 3);
    QTest::mouseClick(window.CmdToolsBar(4), Qt::LeftButton);
    action("menuReminder")->trigger();
    EXPECT_EQ(options.count(), 2);
    QTest::mouseClick(window.CmdToolsBar(1), Qt::LeftButton);
    action("menuAddFolder")->trigger();
    EXPECT_EQ(folder.count(), 2);
    window.router()->imgToolbar_Click(3);
    EXPECT_EQ(help.count(), 1);

    // Numbers and indexes outside the tables do nothing.
    for (int n : {-1, 5, 7, 100}) {
        window.router()->imgToolbar_Click(n);
    }
    for (int i : {-1, 3, 6, 9}) {
        window.router()->CmdToolsBar_Click(i);
    }
    EXPECT_EQ(start.count() + exit.count() + options.count() + folder.count() + help.count(), 9);
    EXPECT_TRUE(window.isVisible()) << "none of these may close the window by itself";
}

TEST_F(WindowTest, CornerButtonsHighlightUntilTheBackgroundResetsThem) {
    show();
    auto* help = window.findChild<ImageButton*>("imgHelp");
    auto* min = window.findChild<ImageButton*>("imgMin");
    QTest::mouseMove(help, QPoint(5, 5));
    QTest::mouseMove(min, QPoint(5, 5));
    EXPECT_TRUE(help->isHighlighted());
    EXPECT_TRUE(min->isHighlighted());
    QTest::mouseMove(window.lblFeed(), QPoint(5, 5));
    EXPECT_TRUE(window.lblFeed()->font().bold());
    QTest::mouseMove(window.lblWeb(), QPoint(5, 5));

    QTest::mouseMove(window.centralWidget(), QPoint(470, 30));  // toolbar strip, no control
    EXPECT_FALSE(help->isHighlighted());
    EXPECT_FALSE(min->isHighlighted());
    EXPECT_FALSE(window.lblFeed()->font().bold());
    // Both links are underlined 8.25 pt; lblWeb is always bold, lblFeed only under the pointer.
    for (QLabel* link : {window.lblFeed(), window.lblWeb()}) {
        EXPECT_EQ(link->font().pointSizeF(), 8.25);
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->font().bold(), link == window.lblWeb());
    }

    QTest::mouseMove(help, QPoint(5, 5));
    QTest::mouseMove(window.centralWidget(), QPoint(476, 150));
    EXPECT_FALSE(help->isHighlighted());

    QTest::mouseMove(min, QPoint(5, 5));
    ASSERT_TRUE(min->isHighlighted());
    QTest::mouseClick(min, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(min->isHighlighted());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
}

TEST(MessageBoxes, ShowTheMessageModallyWithItsTitleAndIcon) {
    const MessageHandler before = setMessageHandler(nullptr);
    installMessageBoxes();
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool modal = false;
    };
    QVector<Seen> seen;
    auto answerNextBox = [&seen] {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back({box->windowTitle(), box->text(), box->icon(), box->isModal()});
            box->accept();
        });
    };
    answerNextBox();
    showMessage(QStringLiteral("请先添加一个文件"), MessageIcon::Exclamation,
                QStringLiteral("添加"));
    answerNextBox();
    showMessage(QStringLiteral("Done."), MessageIcon::Information);
    answerNextBox();
    showMessage(QStringLiteral("x"), MessageIcon::Critical);
    setMessageHandler(before);

    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0].title, "添加");
    EXPECT_EQ(seen[0].text, "请先添加一个文件");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(seen[0].modal);
    EXPECT_EQ(seen[1].title, "Lumivox");
    EXPECT_EQ(seen[1].icon, QMessageBox::Information);
    EXPECT_EQ(seen[2].icon, QMessageBox::Critical);
    EXPECT_EQ(messageBoxIcon(MessageIcon::Question), QMessageBox::Question);
}

}  // namespace
}  // namespace lumivox
