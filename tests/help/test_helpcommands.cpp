// Help, about and the web link through the program's seams.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/base/apppaths.h"
#include "help/helpcommands.h"
#include "widgets/desktopservices.h"
#include "widgets/messageboxes.h"

using namespace lumivox;

namespace {

class HelpCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(dir_.path());
        saved_ = desktopServices();
        desktopServices().openUrl = [this](const QUrl& url) { opened_ << url; };
    }
    void TearDown() override {
        desktopServices() = saved_;
        paths::setAppFolderOverride({});
    }

    QTemporaryDir dir_;
    DesktopServices saved_;
    QList<QUrl> opened_;
};

TEST_F(HelpCommands, HelpOpensTheFileBesideTheProgram) {
    QFile chm(dir_.filePath("help.chm"));
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    chm.close();
    help::openHelp();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_.at(0), QUrl::fromLocalFile(paths::appFolder() + "/help.chm"));
}

TEST_F(HelpCommands, AMissingHelpFileOpensNothing) {
    help::openHelp();
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(HelpCommands, TheWebLinkOpensTheSite) {
    help::openWebSite();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_.at(0), QUrl(help::siteAddress()));
    EXPECT_TRUE(opened_.at(0).isValid());
}

TEST_F(HelpCommands, AboutIsOneLineUnderItsTitleWithOneButton) {
    const MessageHandler previous = setMessageHandler({});
    installMessageBoxes();
    QString title, text;
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::Information;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        icon = box->icon();
        box->accept();
    });
    help::showAbout();
    setMessageHandler(previous);
    EXPECT_EQ(title, QStringLiteral("关于"));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, QMessageBox::NoIcon) << "only its text and OK";
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_TRUE(text.contains(help::siteAddress()));
    EXPECT_TRUE(text.contains("Lumivox"));
    EXPECT_TRUE(text.contains("GPL-3.0-or-later")) << "the licence of LICENSE";
}

}  // namespace
