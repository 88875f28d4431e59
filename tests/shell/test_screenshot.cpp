#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "filelist/filelistmodel.h"
#include "shell/filelistcommands.h"
#include "shell/frmmain.h"
#include "tests/common/screenshot_support.h"

namespace lumivox {
namespace {

using testing::distinctColours;
using testing::expectGlyphs;
using testing::shoot;

TEST(Screenshot, WindowDrawsItsTextsAndHint) {
    frmMain window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto* lblText = window.findChild<QLabel*>("lblText");
    ASSERT_NE(lblText, nullptr);
    expectGlyphs(window.Command3()->font(), QStringLiteral("立刻开始转换！"));
    expectGlyphs(lblText->font(), QStringLiteral("拖拽文件到这里开始转换"));
    expectGlyphs(window.lblFeed()->font(), QStringLiteral("意见反馈"));

    const QImage empty = shoot(window, "empty.png");
    ASSERT_FALSE(empty.isNull());
    EXPECT_GT(distinctColours(empty), 50) << "the window looks blank";
    const QRect hint(lblText->mapTo(&window, QPoint(0, 0)), lblText->size());
    EXPECT_GT(testing::neutralPixels(empty, hint, 100, 160), 40)
        << "the hint's grey text is not drawn";

    ASSERT_TRUE(window.fileList()->addFileEntries(
        {"/home/user/Music/Bach - Goldberg Variations/01 Aria.flac",
         "/home/user/Music/Bach - Goldberg Variations/02 Variatio 1.flac",
         "/home/user/Music/live/concert.FLAC", "/home/user/Music/notes.wav"}));
    window.UpdateEmptyHint();
    const QImage listed = shoot(window, "main.png");
    EXPECT_GT(distinctColours(listed), 50);
    EXPECT_TRUE(window.picText()->isHidden());
    EXPECT_NE(listed, empty);

    // During a batch the stop button stands beside the caption.
    window.setBatchRunning(true);
    window.lblPB()->setText(QStringLiteral("准备中 - 正在估算音频长度"));
    expectGlyphs(window.cmdStop()->font(), QStringLiteral("停止"));
    EXPECT_NE(shoot(window, "running.png"), listed);
}

}  // namespace
}  // namespace lumivox
