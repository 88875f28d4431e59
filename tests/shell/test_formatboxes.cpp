#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "engine/base/apppaths.h"
#include "engine/commands/formatchoices.h"
#include "shell/formatboxes.h"

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

// The texts as the window has always offered them: a typo in any entry must fail here.
TEST_F(FormatBoxesTest, ListsInOrderAndOnlyTheFormatBoxIsListOnly) {
    EXPECT_EQ(
        entries(boxes.cmbOF()),
        QStringList({"RMVB(RealPlayerRMVB)", "RM(RealPlayerRM)", "MPG(MPEG2)",
                     "AVI(Windows Media Player格式)", "MP4(高清MPEG4格式)", "MOV(QuickTime格式)",
                     "MP4(手机MP4格式)", "3GP(手机3GP格式)", "MP3(纯音频格式)"}));
    EXPECT_EQ(entries(boxes.cmbBR()),
              QStringList({"10.2", "12.2", "32", "48", "56", "64", "80", "96", "112", "128", "192",
                           "224", "256", "320"}));
    EXPECT_EQ(entries(boxes.cmbR()),
              QStringList({"48000", "44100", "32000", "24000", "22050", "16000", "12050", "8000"}));
    EXPECT_EQ(entries(boxes.cmbChannel()), QStringList({"单声道", "双声道"}));
    EXPECT_EQ(entries(boxes.cmbVB()),
              QStringList({"40", "80", "120", "128", "256", "384", "512", "600", "640", "768",
                           "800", "900", "1000", "1500"}));
    EXPECT_EQ(
        entries(boxes.cmbS()),
        QStringList({"原始大小", "128x96", "160x120", "176x144", "320x180", "320x240", "352x288",
                     "640x272", "480x480", "640x360", "640x480", "720x306", "720x320"}));
    EXPECT_EQ(entries(boxes.cmbF()), QStringList({"15", "23", "29"}));
    EXPECT_FALSE(boxes.cmbOF()->isEditable());
    for (QComboBox* box : {boxes.cmbBR(), boxes.cmbR(), boxes.cmbChannel(), boxes.cmbVB(),
                           boxes.cmbS(), boxes.cmbF()}) {
        EXPECT_TRUE(box->isEditable()) << box->objectName().toStdString();
    }
    EXPECT_EQ(boxes.cmbOF()->objectName(), "cmbOF");
    EXPECT_EQ(boxes.cmbChannel()->objectName(), "cmbChannel");
}

// Each typed text is the start of a listed entry, which inline completion used to put in its
// place ("12" became "12.2" and Enter chose it).
TEST_F(FormatBoxesTest, TypedValuesStayAsTypedThroughEnter) {
    parent.show();
    QApplication::setActiveWindow(&parent);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    const std::pair<QComboBox*, const char*> typed[] = {
        {boxes.cmbBR(), "12"}, {boxes.cmbBR(), "8"},    {boxes.cmbBR(), "3"},
        {boxes.cmbVB(), "64"}, {boxes.cmbVB(), "150"},  {boxes.cmbR(), "4410"},
        {boxes.cmbF(), "2"},   {boxes.cmbS(), "320x2"},
    };
    for (const auto& [box, text] : typed) {
        SCOPED_TRACE(box->objectName().toStdString() + " " + text);
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
        EXPECT_EQ(box->currentText().toStdString(), text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(box->currentText().toStdString(), text);
    }
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
