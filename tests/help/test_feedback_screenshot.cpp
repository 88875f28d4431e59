// The feedback form drawn on an X server, with the program's skin.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "help/frmsuggest.h"
#include "tests/common/screenshot_support.h"
#include "widgets/skin.h"

namespace lumivox {
namespace {

TEST(Screenshot, FeedbackFormDrawsItsTextsAndPrompt) {
    SkinH_Attach();
    frmSuggest form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    testing::expectGlyphs(form.font(), QStringLiteral("姓名：留言：发送返回您的姓名？"));

    const QImage fresh = testing::shoot(form, "feedback_empty.png");
    ASSERT_FALSE(fresh.isNull());
    EXPECT_GT(testing::distinctColours(fresh), 20) << "the form looks blank";

    form.Command1_Click();  // all fields empty: the name is asked for
    const QImage prompted = testing::shoot(form, "feedback.png");
    const QList<QWidget*> texts = {form.lblSending(), form.cmdSend(), form.cmdBack()};
    for (const QWidget* w : texts) {
        EXPECT_GT(testing::neutralPixels(prompted, testing::areaOf(w, &form), 0, 110), 8)
            << w->objectName().toStdString() << " shows no text";
    }
    // The captions left of the fields.
    const QRect captions(0, 0, form.txtName()->x(), form.txtComment()->geometry().bottom());
    EXPECT_GT(testing::neutralPixels(prompted, captions, 0, 110), 40);
    EXPECT_NE(prompted, fresh);
}

}  // namespace
}  // namespace lumivox
