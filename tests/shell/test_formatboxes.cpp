#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "apppaths.h"
#include "formatboxes.h"
#include "formatchoices.h"

namespace lumivox {
namespace {

class FormatBoxesTest : public ::testing::Test {
  protected:
    QWidget parent;
    QLineEdit* txtPath = new QLineEdit(&parent);
    FormatBoxes boxes{&parent, txtPath};

    QStringList entries(QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i) {
            list << box->itemText(i);
        }
        return list;
    }
};

TEST_F(FormatBoxesTest, ListsInOrderAndOnlyTheFormatBoxIsListOnly) {
    EXPECT_EQ(entries(boxes.cmbOF()), choices::outputFormats());
    EXPECT_EQ(entries(boxes.cmbBR()), choices::audioBitrates());
    EXPECT_EQ(entries(boxes.cmbR()), choices::sampleRates());
    EXPECT_EQ(entries(boxes.cmbChannel()), choices::channels());
    EXPECT_EQ(entries(boxes.cmbVB()), choices::videoBitrates());
    EXPECT_EQ(entries(boxes.cmbS()), choices::videoSizes());
    EXPECT_EQ(entries(boxes.cmbF()), choices::frameRates());
    EXPECT_FALSE(boxes.cmbOF()->isEditable());
    for (QComboBox* box : {boxes.cmbBR(), boxes.cmbR(), boxes.cmbChannel(), boxes.cmbVB(),
                           boxes.cmbS(), boxes.cmbF()}) {
        EXPECT_TRUE(box->isEditable()) << box->objectName().toStdString();
    }
    EXPECT_EQ(boxes.cmbOF()->objectName(), "cmbOF");
    EXPECT_EQ(boxes.cmbChannel()->objectName(), "cmbChannel");
}

TEST_F(FormatBoxesTest, Mp3PresetLeavesTheVideoBoxesAlone) {
    boxes.cmbVB()->setEditText("333");
    boxes.cmbS()->setCurrentIndex(3);
    boxes.cmbF()->setCurrentIndex(0);
    boxes.cmbChannel()->setCurrentIndex(0);
    ASSERT_TRUE(boxes.selectFormat(FormatMp3));
    EXPECT_EQ(boxes.cmbR()->currentText(), "48000");
    EXPECT_EQ(boxes.cmbR()->currentIndex(), 0);
    EXPECT_EQ(boxes.cmbBR()->currentText(), "320");
    EXPECT_EQ(boxes.cmbBR()->currentIndex(), 13);
    EXPECT_EQ(boxes.cmbChannel()->currentIndex(), 1);
    EXPECT_EQ(boxes.cmbVB()->currentText(), "333");
    EXPECT_EQ(boxes.cmbS()->currentText(), "176x144");
    EXPECT_EQ(boxes.cmbF()->currentText(), "15");
}

TEST_F(FormatBoxesTest, PhonePresetsWriteEverySetting) {
    ASSERT_TRUE(boxes.selectFormat(Format3gp));
    EXPECT_EQ(boxes.cmbChannel()->currentIndex(), 0);
    EXPECT_EQ(boxes.cmbR()->currentText(), "8000");
    EXPECT_EQ(boxes.cmbBR()->currentText(), "12.2");
    EXPECT_EQ(boxes.cmbS()->currentText(), "320x240");
    EXPECT_EQ(boxes.cmbS()->currentIndex(), 5);
    EXPECT_EQ(boxes.cmbVB()->currentText(), "128");
    EXPECT_EQ(boxes.cmbF()->currentText(), "29");
}

TEST_F(FormatBoxesTest, PresetTextsOutsideTheListsLeaveNoEntrySelected) {
    ASSERT_TRUE(boxes.selectFormat(FormatMpg));
    EXPECT_EQ(boxes.cmbR()->currentText(), "28000");
    EXPECT_EQ(boxes.cmbR()->currentIndex(), -1);
    EXPECT_EQ(boxes.cmbF()->currentText(), "24");
    EXPECT_EQ(boxes.cmbF()->currentIndex(), -1);
    EXPECT_EQ(boxes.cmbVB()->currentText(), "600");
    EXPECT_EQ(boxes.cmbS()->currentText(), choices::kOriginalSize);
    // A later preset with a listed text selects its entry again.
    ASSERT_TRUE(boxes.selectFormat(FormatRmvb));
    EXPECT_EQ(boxes.cmbR()->currentIndex(), 1);
    EXPECT_EQ(boxes.cmbVB()->currentText(), "1200");
    EXPECT_EQ(boxes.cmbVB()->currentIndex(), -1);
}

TEST_F(FormatBoxesTest, SelectingTheSameFormatAgainRunsThePresetsAgain) {
    ASSERT_TRUE(boxes.selectFormat(FormatMov));
    boxes.cmbBR()->setEditText("150");
    boxes.cmbR()->setCurrentIndex(7);
    ASSERT_EQ(boxes.cmbOF()->currentIndex(), FormatMov);
    ASSERT_TRUE(boxes.selectFormat(FormatMov));
    EXPECT_EQ(boxes.cmbBR()->currentText(), "64");
    EXPECT_EQ(boxes.cmbR()->currentText(), "48000");
}

TEST_F(FormatBoxesTest, OutOfRangeFormatIsRefused) {
    ASSERT_TRUE(boxes.selectFormat(Format3gp));
    boxes.cmbBR()->setEditText("150");
    EXPECT_FALSE(boxes.selectFormat(9));
    EXPECT_FALSE(boxes.selectFormat(-1));
    EXPECT_EQ(boxes.cmbOF()->currentIndex(), Format3gp);
    EXPECT_EQ(boxes.cmbBR()->currentText(), "150");
}

TEST_F(FormatBoxesTest, UserChoiceRunsThePresetsLikeTheProgram) {
    parent.show();
    ASSERT_TRUE(boxes.selectFormat(FormatMp4));
    boxes.cmbR()->setEditText("11111");
    boxes.cmbOF()->setFocus();
    // Down on the closed box chooses the next format, as the user does with the keyboard.
    QTest::keyClick(boxes.cmbOF(), Qt::Key_Down);
    ASSERT_EQ(boxes.cmbOF()->currentIndex(), FormatMov);
    EXPECT_EQ(boxes.cmbR()->currentText(), "48000");
    EXPECT_EQ(boxes.cmbBR()->currentText(), "64");
    EXPECT_EQ(boxes.cmbVB()->currentText(), "256");

    // A user's choice of the entry already shown runs them too.
    boxes.cmbBR()->setEditText("150");
    emit boxes.cmbOF()->activated(FormatMov);
    EXPECT_EQ(boxes.cmbBR()->currentText(), "64");
}

TEST_F(FormatBoxesTest, DefaultsEndWithTheFirstFormatsPresets) {
    boxes.selectDefaults();
    EXPECT_EQ(boxes.cmbOF()->currentIndex(), 0);
    EXPECT_EQ(boxes.cmbBR()->currentText(), "320");
    EXPECT_EQ(boxes.cmbR()->currentText(), "44100");
    EXPECT_EQ(boxes.cmbChannel()->currentIndex(), 1);
    EXPECT_EQ(boxes.cmbVB()->currentText(), "1200");
    EXPECT_EQ(txtPath->text(), paths::appFolder() + "/output");
}

TEST_F(FormatBoxesTest, CurrentSettingsReadTheBoxesAsTheyStand) {
    ASSERT_TRUE(boxes.selectFormat(FormatMp3));
    boxes.cmbBR()->setFocus();
    boxes.cmbBR()->lineEdit()->selectAll();
    QTest::keyClicks(boxes.cmbBR()->lineEdit(), "150");
    boxes.cmbChannel()->setCurrentIndex(0);
    txtPath->setText("/music/out");
    ConversionSettings s = boxes.currentSettings();
    EXPECT_EQ(s.format, FormatMp3);
    EXPECT_EQ(s.audioBitrate, "150");
    EXPECT_EQ(s.sampleRate, "48000");
    EXPECT_EQ(s.channelPosition, 0);
    EXPECT_EQ(s.outFolder, "/music/out/");
    // A folder that already ends in the separator does not get a second one.
    txtPath->setText("/");
    EXPECT_EQ(boxes.currentSettings().outFolder, "/");

    ASSERT_TRUE(boxes.selectFormat(FormatMpg));
    s = boxes.currentSettings();
    EXPECT_EQ(s.sampleRate, "28000");
    EXPECT_EQ(s.videoBitrate, "600");
    EXPECT_EQ(s.frameRate, "24");
    EXPECT_EQ(s.videoSize, choices::kOriginalSize);
}

}  // namespace
}  // namespace lumivox
