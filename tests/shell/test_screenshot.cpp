#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "filelistcommands.h"
#include "filelistmodel.h"
#include "frmmain.h"

namespace lumivox {
namespace {

QString screenshotPath(const QString& name) {
    const QString folder = QStringLiteral(LUMIVOX_BUILD_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder + "/" + name;
}

QImage shoot(frmMain& window, const QString& name) {
    QTest::qWait(0);  // let queued layout and paint requests run
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(image.save(screenshotPath(name)));
    return image;
}

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

// Pixels of a mid-grey text colour (anti-aliased edges blend towards the background).
int greyTextPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool neutral = qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12;
            if (neutral && c.red() >= 100 && c.red() <= 160) {
                ++count;
            }
        }
    }
    return count;
}

void expectGlyphs(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    for (const char32_t ch : text.toUcs4()) {
        EXPECT_TRUE(metrics.inFontUcs4(ch))
            << "no glyph for U+" << std::hex << static_cast<unsigned>(ch) << " in "
            << font.family().toStdString();
    }
}

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
    EXPECT_GT(greyTextPixels(empty, hint), 40) << "the hint's grey text is not drawn";

    ASSERT_TRUE(window.fileList()->addFileEntries(
        {"/home/user/Music/Bach - Goldberg Variations/01 Aria.flac",
         "/home/user/Music/Bach - Goldberg Variations/02 Variatio 1.flac",
         "/home/user/Music/live/concert.FLAC", "/home/user/Music/notes.wav"}));
    window.UpdateEmptyHint();
    const QImage listed = shoot(window, "main.png");
    EXPECT_GT(distinctColours(listed), 50);
    EXPECT_TRUE(window.picText()->isHidden());
    EXPECT_NE(listed, empty);
}

}  // namespace
}  // namespace lumivox
