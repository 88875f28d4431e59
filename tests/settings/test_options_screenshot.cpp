// The options dialog drawn on an X server, with the program's skin.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "settings/frmoptions.h"
#include "settings/settingsfiles.h"
#include "tests/common/screenshot_support.h"
#include "widgets/skin.h"

namespace lumivox {
namespace {

TEST(Screenshot, OptionsDialogDrawsItsTexts) {
    SkinH_Attach();
    Options options{0, 1, 3725, 4000};
    frmOptions dialog(options);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    auto* label1 = dialog.findChild<QLabel*>("Label1");
    ASSERT_NE(label1, nullptr);
    testing::expectGlyphs(label1->font(), QStringLiteral("转换完毕声音提示"));
    testing::expectGlyphs(dialog.Command1()->font(), QStringLiteral("确定返回"));

    const QImage image = testing::shoot(dialog, "options.png");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), dialog.size() * dialog.devicePixelRatio());
    EXPECT_GT(testing::distinctColours(image), 20) << "the dialog looks blank";
    // Dark text strokes where the caption, the buttons and a time box are.
    for (const QWidget* w :
         {static_cast<QWidget*>(label1), static_cast<QWidget*>(dialog.chkMC()),
          static_cast<QWidget*>(dialog.Command1()), static_cast<QWidget*>(dialog.Command2()),
          static_cast<QWidget*>(dialog.txtFromH()), static_cast<QWidget*>(dialog.chkKeepFolders()),
          static_cast<QWidget*>(dialog.cmbId3())}) {
        EXPECT_GT(testing::neutralPixels(image, testing::areaOf(w, &dialog), 0, 110), 8)
            << w->objectName().toStdString() << " shows no text";
    }
}

}  // namespace
}  // namespace lumivox
