// The highlight rules and the rescale, on a window of the test's own, as the dialogs use them.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "widgets/imagebutton.h"
#include "widgets/rescale.h"
#include "widgets/skinnedwindow.h"

namespace lumivox {
namespace {

struct TestWindow {
    QWidget window;
    QWidget* background = new QWidget(&window);
    ImageButton* ok = new ImageButton("imgOK", background);
    ImageButton* back = new ImageButton("imgBack", background);
    LinkLabel* link = new LinkLabel("lblLink", "链接", background);
    SkinnedWindow* skinned = new SkinnedWindow(&window, background);

    TestWindow() {
        window.resize(300, 200);
        background->setGeometry(0, 0, 300, 200);
        ok->setGeometry(10, 10, 20, 20);
        back->setGeometry(40, 10, 20, 20);
        link->setGeometry(10, 100, 80, 20);
        skinned->add(ok);
        skinned->add(back);
        skinned->add(link);
    }
};

TEST(SkinnedWindow, HighlightsLastUntilThePointerCrossesTheBareBackground) {
    TestWindow w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    QTest::mouseMove(w.ok, QPoint(5, 5));
    QTest::mouseMove(w.back, QPoint(5, 5));
    QTest::mouseMove(w.link, QPoint(5, 5));
    EXPECT_TRUE(w.ok->isHighlighted() && w.back->isHighlighted()) << "no reset between buttons";
    EXPECT_TRUE(w.link->font().bold());

    QTest::mouseMove(w.background, QPoint(200, 150));
    EXPECT_FALSE(w.ok->isHighlighted());
    EXPECT_FALSE(w.back->isHighlighted());
    EXPECT_FALSE(w.link->font().bold());
}

TEST(Rescale, EveryMeasureFollowsTheFactorsAndTheFolderFontTwice) {
    QWidget form;
    form.resize(500, 400);
    auto* label = new QWidget(&form);
    label->setGeometry(100, 50, 200, 30);
    QFont font = label->font();
    font.setPointSizeF(10);
    label->setFont(font);
    auto* path = new QLineEdit(&form);
    path->setGeometry(20, 300, 250, 25);
    path->setFont(font);
    auto* inherits = new QWidget(label);  // takes its parent's font, which must not count twice
    inherits->setGeometry(10, 10, 50, 10);

    rescaleForm(&form, 0.8, 0.8, path);
    EXPECT_EQ(form.size(), QSize(400, 320));
    EXPECT_EQ(label->geometry(), QRect(80, 40, 160, 24));
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 8.0);
    EXPECT_EQ(path->geometry(), QRect(16, 240, 200, 20));
    EXPECT_DOUBLE_EQ(path->font().pointSizeF(), 6.4);
    EXPECT_EQ(inherits->geometry(), QRect(8, 8, 40, 8));
    EXPECT_DOUBLE_EQ(inherits->font().pointSizeF(), 8.0);

    rescaleForm(&form, 1.0, 1.0, path);
    EXPECT_EQ(form.size(), QSize(400, 320)) << "at 96 dpi nothing changes";
}

}  // namespace
}  // namespace lumivox
