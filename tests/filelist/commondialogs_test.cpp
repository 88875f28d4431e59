#include "filelist/commondialogs.h"
#include "engine/base/apppaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <vector>

using lumivox::CCommonDialogs;
using lumivox::DialogAnswer;
using lumivox::DialogRequest;

namespace {

// Answers every dialog with the scripted answer and keeps the requests it saw.
class DialogSeam : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = lumivox::setDialogHandler([this](const DialogRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    void TearDown() override { lumivox::setDialogHandler(previous_); }

    void accept(const QString& path) {
        answer = DialogAnswer{};
        answer.accepted = true;
        answer.path = path;
    }

    std::vector<DialogRequest> requests;
    DialogAnswer answer;  // cancel unless a test says otherwise

  private:
    lumivox::DialogHandler previous_;
};

const QString kFlacFilter =
    QStringLiteral("FLAC声音文件(*.FLAC, *.flac)|*.flac|所有格式文件(*.*)|*.*");
const QString kFlacQtFilter =
    QStringLiteral("FLAC声音文件(*.FLAC, *.flac) (*.flac);;所有格式文件(*.*) (*.*)");

}  // namespace

TEST(QtFilterFrom, PairsBecomeQtFiltersInOrder) {
    EXPECT_EQ(lumivox::qtFilterFrom(kFlacFilter), kFlacQtFilter);
    EXPECT_EQ(lumivox::qtFilterFrom("A|a|B|b"), "A (a);;B (b)");
    EXPECT_EQ(lumivox::qtFilterFrom("*.*|*.*"), "*.* (*.*)");
    EXPECT_EQ(lumivox::qtFilterFrom("A|a|B"), "A (a)");
    EXPECT_EQ(lumivox::qtFilterFrom(""), "");
}

TEST_F(DialogSeam, ShowOpenCancelledLeavesEveryProperty) {
    CCommonDialogs dialogs;
    dialogs.setFileName("/old/x.flac");
    dialogs.setFileTitle("x.flac");
    dialogs.setPath("/old");
    EXPECT_FALSE(dialogs.ShowOpen());
    // A dialog that says yes but names no file did not pick one either.
    answer.accepted = true;
    EXPECT_FALSE(dialogs.ShowOpen());
    EXPECT_EQ(requests.size(), 2U);
    EXPECT_EQ(dialogs.FileName(), "/old/x.flac");
    EXPECT_EQ(dialogs.FileTitle(), "x.flac");
    EXPECT_EQ(dialogs.Path(), "/old");
}

TEST_F(DialogSeam, ShowOpenTakesTheChosenFileAndStartsTheNextPickThere) {
    QWidget owner;
    CCommonDialogs dialogs;
    dialogs.Init(&owner);
    dialogs.setTitle("Open Files");
    dialogs.setFilter(kFlacFilter);
    dialogs.setDefExt("flac");
    accept("/music/a.flac");
    ASSERT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(dialogs.FileName(), "/music/a.flac");
    EXPECT_EQ(dialogs.FileTitle(), "a.flac");
    EXPECT_EQ(dialogs.Path(), "/music");

    ASSERT_EQ(requests.size(), 1U);
    const DialogRequest& first = requests.front();
    EXPECT_EQ(first.kind, DialogRequest::Open);
    EXPECT_EQ(first.title, "Open Files");
    EXPECT_EQ(first.startFolder, QDir::currentPath());  // no Path yet
    EXPECT_EQ(first.filter, kFlacQtFilter);
    EXPECT_EQ(first.defaultSuffix, "flac");
    EXPECT_EQ(first.owner, &owner);

    accept("/b.flac");
    ASSERT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(requests.back().startFolder, "/music");
    EXPECT_EQ(requests.back().fileName, "/music/a.flac");
    // A file in the root keeps the root as its folder rather than an empty one.
    EXPECT_EQ(dialogs.Path(), "/");
    EXPECT_EQ(dialogs.FileTitle(), "b.flac");
}

TEST_F(DialogSeam, TextPropertiesReadUpToTheirFirstNul) {
    CCommonDialogs dialogs;
    const QString padded = QStringLiteral("/music") + QChar(u'\0') + QStringLiteral("junk");
    dialogs.setTitle(padded);
    dialogs.setPath(padded);
    dialogs.setFileTitle(padded);
    dialogs.setFileName(padded);
    dialogs.setFilter(padded);
    EXPECT_EQ(dialogs.Title(), "/music");
    EXPECT_EQ(dialogs.Path(), "/music");
    EXPECT_EQ(dialogs.FileTitle(), "/music");
    EXPECT_EQ(dialogs.FileName(), "/music");
    EXPECT_EQ(dialogs.Filter(), padded);
    dialogs.ShowOpen();
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests.front().title, "/music");
    EXPECT_EQ(requests.front().startFolder, "/music");
}

TEST_F(DialogSeam, ShowSaveStartsLikePickOpenFileWithItsOwnCaption) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CCommonDialogs dialogs;
    dialogs.setTitle("ignored");
    dialogs.setPath(folder.path());
    accept(folder.path() + "/out.mp3");
    ASSERT_TRUE(dialogs.ShowSave());
    EXPECT_EQ(requests.back().kind, DialogRequest::Save);
    EXPECT_EQ(requests.back().title, "Save");
    EXPECT_EQ(requests.back().startFolder, folder.path() + "/");
    EXPECT_EQ(requests.back().filter, "*.* (*.*)");
    EXPECT_EQ(dialogs.FileName(), folder.path() + "/out.mp3");
    EXPECT_EQ(dialogs.FileTitle(), "out.mp3");
    EXPECT_EQ(dialogs.Path(), folder.path());

    dialogs.setPath("/no/such/folder");
    answer = DialogAnswer{};
    EXPECT_FALSE(dialogs.ShowSave());
    EXPECT_EQ(requests.back().startFolder, lumivox::paths::appFolder());
    EXPECT_EQ(dialogs.Path(), "/no/such/folder");
}

TEST_F(DialogSeam, ShowFolderTakesThePathAndForgetsTheFile) {
    CCommonDialogs dialogs;
    dialogs.setTitle("Pick");
    dialogs.setFileName("/m/a.flac");
    dialogs.setFileTitle("a.flac");
    EXPECT_FALSE(dialogs.ShowFolder());
    EXPECT_EQ(dialogs.FileName(), "/m/a.flac");

    accept("/data/music/");
    ASSERT_TRUE(dialogs.ShowFolder());
    EXPECT_EQ(requests.back().kind, DialogRequest::Folder);
    EXPECT_EQ(requests.back().title, "Pick");
    EXPECT_EQ(dialogs.Path(), "/data/music");
    EXPECT_EQ(dialogs.FileName(), "");
    EXPECT_EQ(dialogs.FileTitle(), "");
}

TEST_F(DialogSeam, ShowColorUsesRedInTheLowByte) {
    CCommonDialogs dialogs;
    dialogs.setColor(0x00332211);
    EXPECT_FALSE(dialogs.ShowColor(true));
    EXPECT_EQ(requests.back().kind, DialogRequest::Color);
    EXPECT_EQ(requests.back().color, 0x00332211U);
    EXPECT_EQ(dialogs.Color(), 0x00332211U);
    answer.accepted = true;
    answer.color = 0x000000FF;
    ASSERT_TRUE(dialogs.ShowColor());
    EXPECT_EQ(dialogs.Color(), 0x000000FFU);
}

TEST_F(DialogSeam, ShowFontStartsFromThePropertiesAndTakesTheChoice) {
    CCommonDialogs dialogs;
    dialogs.setFontName("Noto Sans");
    dialogs.setFontSize(12);
    dialogs.setFontBold(true);
    dialogs.setFontUnderline(true);
    dialogs.setColor(0x00808080);
    EXPECT_FALSE(dialogs.ShowFont());
    const QFont& asked = requests.back().font;
    EXPECT_EQ(asked.family(), "Noto Sans");
    EXPECT_EQ(asked.pointSize(), 12);
    EXPECT_TRUE(asked.bold());
    EXPECT_FALSE(asked.italic());
    EXPECT_TRUE(asked.underline());
    EXPECT_EQ(requests.back().color, 0x00808080U);
    EXPECT_EQ(dialogs.FontSize(), 12);

    answer.accepted = true;
    answer.font = QFont("DejaVu Serif", 9);
    answer.font.setItalic(true);
    ASSERT_TRUE(dialogs.ShowFont());
    EXPECT_EQ(dialogs.FontName(), "DejaVu Serif");
    EXPECT_EQ(dialogs.FontSize(), 9);
    EXPECT_FALSE(dialogs.FontBold());
    EXPECT_TRUE(dialogs.FontItalic());
    EXPECT_TRUE(dialogs.FontUnderline());  // not taken from the result
}

TEST_F(DialogSeam, PrinterDialogsReportTheUsersChoice) {
    CCommonDialogs dialogs;
    EXPECT_FALSE(dialogs.ShowPrinter());
    answer.accepted = true;
    EXPECT_TRUE(dialogs.ShowPrinter());
    EXPECT_EQ(requests.back().kind, DialogRequest::Printer);

    requests.clear();
    if (QPrinterInfo::defaultPrinter().isNull()) {
        // No default printer: nothing to show, a cancel, and no dialog asked for.
        EXPECT_FALSE(dialogs.ShowPrinterProperties());
        EXPECT_TRUE(requests.empty());
    } else {
        EXPECT_TRUE(dialogs.ShowPrinterProperties());
        EXPECT_EQ(requests.back().kind, DialogRequest::PrinterProperties);
    }
}

TEST_F(DialogSeam, PickOpenFileStartFolderRule) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir(".hidden"));
    const QString appFolder = lumivox::paths::appFolder();
    struct Case {
        QString given;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"", appFolder},
        {"   ", appFolder},
        {"/no/such/folder", appFolder},
        {folder.path(), folder.path() + "/"},
        {"  " + folder.path() + "/  ", folder.path() + "/"},
        {folder.path() + "/.hidden", folder.path() + "/.hidden/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given.toStdString());
        EXPECT_EQ(lumivox::PickOpenFile(nullptr, "打开文件", c.given, "*.*|*.*", 2097160), "");
        EXPECT_EQ(requests.back().startFolder, c.expected);
        EXPECT_EQ(requests.back().title, "打开文件");
        EXPECT_EQ(requests.back().filter, "*.* (*.*)");
        EXPECT_EQ(requests.back().kind, DialogRequest::Open);
    }
}

TEST_F(DialogSeam, PickOpenFileReturnsThePathAloneAndDefaultsTheFilter) {
    QWidget owner;
    accept("/music/x.flac");
    EXPECT_EQ(lumivox::PickOpenFile(&owner, "T", "", "  ", 0), "/music/x.flac");
    EXPECT_EQ(requests.back().filter, "*.* (*.*)");
    EXPECT_EQ(requests.back().owner, &owner);
    EXPECT_EQ(lumivox::PickOpenFile(&owner, "T", "", kFlacFilter, 0), "/music/x.flac");
    EXPECT_EQ(requests.back().filter, kFlacQtFilter);
}

TEST_F(DialogSeam, PickFolderKeepsTheRootSeparatorOnly) {
    EXPECT_EQ(lumivox::PickFolder(nullptr, "请选择一个文件夹:"), std::nullopt);
    EXPECT_EQ(requests.back().kind, DialogRequest::Folder);
    EXPECT_EQ(requests.back().title, "请选择一个文件夹:");
    accept("/");
    EXPECT_EQ(lumivox::PickFolder(nullptr, "t"), QString("/"));
    accept("/data/music/");
    EXPECT_EQ(lumivox::PickFolder(nullptr, "t"), QString("/data/music"));
    accept("/data/music");
    EXPECT_EQ(lumivox::PickFolder(nullptr, "t"), QString("/data/music"));
    accept("");
    EXPECT_EQ(lumivox::PickFolder(nullptr, "t"), std::nullopt);
}

TEST(SetDialogHandler, ReturnsTheHandlerItReplaces) {
    int calls = 0;
    lumivox::DialogHandler first = [&](const DialogRequest&) {
        ++calls;
        return DialogAnswer{};
    };
    lumivox::DialogHandler before = lumivox::setDialogHandler(first);
    lumivox::DialogHandler replaced = lumivox::setDialogHandler(before);
    ASSERT_TRUE(static_cast<bool>(replaced));
    replaced(DialogRequest{});
    EXPECT_EQ(calls, 1);
}

// Without a handler the real, non-native Qt dialogs come up; answer them as a user would.
namespace {
template <typename Act>
void whenAFileDialogOpens(Act act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no file dialog came up";
            return;
        }
        act(*dialog);
    });
}
}  // namespace

TEST(RealDialogs, OpenDialogIsNonNativeWithTheGivenTitleAndFilter) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.path() + "/a.flac";
    {
        QFile touch(file);
        ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    }
    bool inspected = false;
    whenAFileDialogOpens([&](QFileDialog& dialog) {
        inspected = true;
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog.windowTitle(), "打开文件");
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.selectedNameFilter(), "FLAC声音文件(*.FLAC, *.flac) (*.flac)");
        EXPECT_EQ(QDir(dialog.directory()).absolutePath(), folder.path());
        dialog.selectFile(file);
        static_cast<QDialog&>(dialog).accept();  // as the Open button does
    });
    EXPECT_EQ(lumivox::PickOpenFile(nullptr, "打开文件", folder.path(), kFlacFilter, 0), file);
    EXPECT_TRUE(inspected);
}

TEST(RealDialogs, FolderDialogShowsFoldersOnlyAndCancelGivesNothing) {
    bool inspected = false;
    whenAFileDialogOpens([&](QFileDialog& dialog) {
        inspected = true;
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        dialog.reject();
    });
    EXPECT_EQ(lumivox::PickFolder(nullptr, "选择一个文件夹:"), std::nullopt);
    EXPECT_TRUE(inspected);
}
