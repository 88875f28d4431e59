#pragma once

// Pictures of real windows on an X server, saved under screenshots/ in the build folder, and
// the checks that tell a drawn window from a blank one.

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QWidget>

namespace lumivox::testing {

inline QString screenshotPath(const QString& name) {
    const QString folder = QStringLiteral(LUMIVOX_BUILD_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder + "/" + name;
}

inline QImage shoot(QWidget& window, const QString& name) {
    QTest::qWait(0);  // let queued layout and paint requests run
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(image.save(screenshotPath(name)));
    return image;
}

inline int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

// Pixels of a neutral colour whose level lies in [low, high] (text strokes and their
// anti-aliased edges).
inline int neutralPixels(const QImage& image, const QRect& area, int low, int high) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool neutral = qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12;
            if (neutral && c.red() >= low && c.red() <= high) {
                ++count;
            }
        }
    }
    return count;
}

// The area of a child widget in its window's picture.
inline QRect areaOf(const QWidget* child, const QWidget* window) {
    return QRect(child->mapTo(window, QPoint(0, 0)), child->size());
}

inline void expectGlyphs(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    for (const char32_t ch : text.toUcs4()) {
        EXPECT_TRUE(metrics.inFontUcs4(ch))
            << "no glyph for U+" << std::hex << static_cast<unsigned>(ch) << " in "
            << font.family().toStdString();
    }
}

}  // namespace lumivox::testing
