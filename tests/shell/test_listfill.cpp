// Filling the list from a folder scan, from drops and from the drop zone, through the program.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "engine/base/apppaths.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "shell/commandrouter.h"
#include "shell/filelistcommands.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/window_support.h"

namespace lumivox {
namespace {

using testing::ScriptedDialogs;

class ListFill : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(app_.isValid() && music_.isValid());
        paths::setAppFolderOverride(app_.path());
        program_ = std::make_unique<MainProgram>();
    }
    void TearDown() override {
        program_.reset();
        paths::setAppFolderOverride({});
    }
    frmMain& window() { return program_->window(); }
    QStringList paths() const { return program_->window().fileList()->paths(); }
    QString music(const QString& relative) const { return music_.filePath(relative); }
    void touch(const QString& relative) {
        QDir().mkpath(QFileInfo(music(relative)).path());
        QFile file(music(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString hintText() { return window().findChild<QLabel*>("lblText")->text(); }
    bool hintShown() { return !window().picText()->isHidden(); }

    // Sends a drag and a drop onto target; returns whether the drag was accepted.
    bool drop(QWidget* target, const QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        return enter.isAccepted();
    }

    QTemporaryDir app_;
    QTemporaryDir music_;
    std::unique_ptr<MainProgram> program_;
};

TEST_F(ListFill, AddFolderFillsTheListInTrackOrderAndTwiceAddsTwice) {
    for (const char* name : {"Album/Track 10.flac", "Album/Track 2.flac", "Album/cover.jpg",
                             "Album/Disc 2/Track 1.FLAC", "Album/notes.flac.txt"}) {
        touch(name);
    }
    ScriptedDialogs dialogs;
    dialogs.accept(music("Album"));
    dialogs.accept(music("Album"));
    window().router()->CmdToolsBar_Click(1);
    const QStringList once{music("Album/Track 2.flac"), music("Album/Track 10.flac"),
                           music("Album/Disc 2/Track 1.FLAC")};
    EXPECT_EQ(paths(), once);
    ASSERT_EQ(dialogs.requests.size(), 1);
    EXPECT_EQ(dialogs.requests[0].kind, DialogRequest::Folder);
    EXPECT_EQ(dialogs.requests[0].title, "选择一个文件夹:");
    EXPECT_EQ(hintText(), "拖拽文件到这里开始转换");
    EXPECT_FALSE(hintShown());

    window().findChild<QAction*>("menuAddFolder")->trigger();
    EXPECT_EQ(paths(), once + once);
}

TEST_F(ListFill, AScanThatFindsNothingOrIsCancelledLeavesTheHint) {
    touch("empty/readme.txt");
    ScriptedDialogs dialogs;
    dialogs.accept(music("empty"));
    dialogs.cancel();
    window().router()->CmdToolsBar_Click(1);
    window().router()->CmdToolsBar_Click(1);
    EXPECT_TRUE(paths().isEmpty());
    EXPECT_TRUE(hintShown());
    EXPECT_EQ(hintText(), "拖拽文件到这里开始转换");
}

TEST_F(ListFill, WhileABatchHoldsTheListNoRouteAddsAndNoDialogOpens) {
    touch("a.flac");
    window().fileList()->setHeld(true);
    ScriptedDialogs dialogs;
    dialogs.accept(music(""));
    window().router()->CmdToolsBar_Click(1);
    EXPECT_TRUE(dialogs.requests.isEmpty());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(music("a.flac"))});
    EXPECT_FALSE(drop(window().LV()->viewport(), data)) << "the forbidden cursor";
    EXPECT_TRUE(paths().isEmpty());
    window().fileList()->setHeld(false);
}

// A start pressed while the walk runs is refused, and every file the walk found joins the list.
TEST_F(ListFill, StartWaitsForAFolderWalkWhoseFilesAllJoinTheList) {
    constexpr int kFolders = 100;
    constexpr int kFiles = 100;
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = music(QStringLiteral("library/%1").arg(f));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (int n = 0; n < kFiles; ++n) {
            QFile file(QStringLiteral("%1/%2.flac").arg(folder).arg(n));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    window().fileList()->AddFileEntry(music("earlier.flac"));
    bool walking = false;
    bool startEnabled = true;
    QObject presses;  // ends the connection and any press still queued with this test
    // Once the walk serves events, the user presses every start control.
    QObject::connect(
        window().fileCommands(), &FileListCommands::scanRunningChanged, &presses,
        [&](bool running) {
            if (running) {
                QTimer::singleShot(0, &presses, [&] {
                    walking = window().fileCommands()->isScanning();
                    startEnabled = window().Command3()->isEnabled();
                    for (QWidget* start : {static_cast<QWidget*>(window().Command3()),
                                           window().imgStart(), window().imgConvert()}) {
                        QTest::mouseClick(start, Qt::LeftButton, {}, QPoint(2, 2));
                    }
                });
            }
        });
    ScriptedDialogs dialogs;
    dialogs.accept(music("library"));
    window().router()->CmdToolsBar_Click(1);
    ASSERT_TRUE(walking) << "the presses must come while the walk runs";
    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(program_->batch().isBusy());
    EXPECT_FALSE(program_->batch().Timer1().isActive());
    EXPECT_EQ(paths().size(), 1 + kFolders * kFiles);
    EXPECT_TRUE(window().Command3()->isEnabled());
}

TEST_F(ListFill, DropsAddEveryLocalPathInOrderOntoTheListAndTheDropZone) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/m/x.flac"), QUrl::fromLocalFile("/m/y.mp3"),
                   QUrl("https://example.org/remote.flac"), QUrl::fromLocalFile("/m/z.txt"),
                   QUrl::fromLocalFile("/m/Live")});
    EXPECT_TRUE(drop(window().LV()->viewport(), files));
    EXPECT_EQ(paths(), (QStringList{"/m/x.flac", "/m/y.mp3", "/m/z.txt", "/m/Live"}));
    EXPECT_EQ(window().fileList()->entryAt(3).FormatLabel, "LIVE");
    EXPECT_FALSE(hintShown());

    QMimeData text;
    text.setText("/m/typed.flac");
    EXPECT_TRUE(drop(window().LV()->viewport(), text)) << "taken as a copy, adding nothing";
    EXPECT_EQ(paths().size(), 4);

    QMimeData again;
    again.setUrls({QUrl::fromLocalFile("/m/x.flac")});
    drop(window().picDrag(), again);
    EXPECT_EQ(paths().last(), "/m/x.flac");
    EXPECT_EQ(paths().size(), 5);
    EXPECT_FALSE(program_->batch().isBusy()) << "a drop never starts a conversion";

    // Over the header row Qt hands the drag on to the list view itself, which takes it.
    QMimeData header;
    header.setUrls({QUrl::fromLocalFile("/m/h.flac")});
    EXPECT_FALSE(window().LV()->header()->acceptDrops());
    EXPECT_TRUE(drop(window().LV(), header));
    EXPECT_EQ(paths().last(), "/m/h.flac");
}

TEST_F(ListFill, TheDropZoneClickOpensOneFile) {
    ScriptedDialogs dialogs;
    dialogs.cancel();
    dialogs.accept("/m/one.wav");
    window().picDrag()->show();
    QTest::mouseClick(window().picDrag(), Qt::LeftButton);
    EXPECT_TRUE(paths().isEmpty());
    QTest::mouseClick(window().picDrag(), Qt::LeftButton);
    EXPECT_EQ(paths(), QStringList{"/m/one.wav"});
    ASSERT_EQ(dialogs.requests.size(), 2);
    EXPECT_EQ(dialogs.requests[1].title, "打开文件");
    EXPECT_EQ(dialogs.requests[1].filter, "*.* (*.*)");
}

}  // namespace
}  // namespace lumivox
