// Every route of the main window reaching its routine in the whole program, with the desktop,
// the message boxes and the dialogs answered by the tests.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "help/helpcommands.h"
#include "shell/commandrouter.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/window_support.h"
#include "widgets/desktopservices.h"
#include "widgets/imagebutton.h"

namespace lumivox {
namespace {

using testing::ScriptedDialogs;

class Routes : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(app_.isValid());
        paths::setAppFolderOverride(app_.path());
        QFile help(app_.filePath("help.chm"));
        ASSERT_TRUE(help.open(QIODevice::WriteOnly));
        savedDesktop_ = desktopServices();
        desktopServices().openUrl = [this](const QUrl& url) { opened_ << url; };
        savedMessages_ = setMessageHandler([this](const Message& m) { messages_ << m.title; });
        program_ = std::make_unique<MainProgram>();
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    }
    void TearDown() override {
        program_.reset();
        setMessageHandler(savedMessages_);
        desktopServices() = savedDesktop_;
        paths::setAppFolderOverride({});
    }
    frmMain& window() { return program_->window(); }
    QAction* action(const char* name) { return window().findChild<QAction*>(name); }

    // Runs a route that opens a modal window; records the window's title and closes it.
    void runModal(const std::function<void()>& route) {
        QTimer::singleShot(0, [this] { closeModal(); });
        route();
    }
    void closeModal() {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            modals_ << dialog->windowTitle();
            dialog->reject();
            return;
        }
        QTimer::singleShot(10, [this] { closeModal(); });
    }

    QTemporaryDir app_;
    std::unique_ptr<MainProgram> program_;
    DesktopServices savedDesktop_;
    MessageHandler savedMessages_;
    QList<QUrl> opened_;
    QStringList messages_;
    QStringList modals_;
};

TEST_F(Routes, EveryMenuItemButtonAndLinkReachesItsRoutineOnce) {
    runModal([&] { QTest::mouseClick(window().CmdToolsBar(4), Qt::LeftButton); });
    runModal([&] { action("menuReminder")->trigger(); });
    EXPECT_EQ(modals_, (QStringList{"选项设置", "选项设置"}));

    runModal([&] { QTest::mouseClick(window().lblFeed(), Qt::LeftButton); });
    EXPECT_EQ(modals_.last(), "建议和意见");

    action("menuAbout")->trigger();
    EXPECT_EQ(messages_, QStringList{"关于"});

    const QUrl helpFile = QUrl::fromLocalFile(app_.filePath("help.chm"));
    QTest::mouseMove(window().imgHelp(), QPoint(3, 3));
    QTest::mouseClick(window().imgHelp(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(window().imgHelp()->isHighlighted()) << "the help command drops its highlight";
    window().router()->imgToolbar_Click(3);
    QTest::mouseClick(window().lblWeb(), Qt::LeftButton);
    EXPECT_EQ(opened_, (QList<QUrl>{helpFile, helpFile, QUrl(help::siteAddress())}));
    EXPECT_EQ(window().lblWeb()->toolTip(), help::siteAddress());

    ScriptedDialogs dialogs;
    action("menuAdd")->trigger();
    action("menuAddFolder")->trigger();
    ASSERT_EQ(dialogs.requests.size(), 2);
    EXPECT_EQ(dialogs.requests[0].kind, DialogRequest::Open);
    EXPECT_EQ(dialogs.requests[1].kind, DialogRequest::Folder);
    EXPECT_EQ(modals_.size(), 3) << "no route ran twice";
    EXPECT_EQ(messages_.size(), 1);
}

TEST_F(Routes, TheExitMenuItemSavesAndClosesLikeTheCloseImage) {
    window().txtPath()->setText("/music/out");
    action("menuExit")->trigger();
    EXPECT_FALSE(window().isVisible());
    QFile setup(app_.filePath("setup.ini"));
    ASSERT_TRUE(setup.open(QIODevice::ReadOnly));
    EXPECT_TRUE(setup.readAll().contains("\"/music/out\""));
}

}  // namespace
}  // namespace lumivox
