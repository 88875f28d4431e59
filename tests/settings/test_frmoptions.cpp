// The options dialog: what it shows from the option values, what confirming checks and stores,
// and that going back stores nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "settings/frmoptions.h"
#include "settings/lumivoxini.h"
#include "settings/settingsfiles.h"
#include "widgets/imagebutton.h"

using namespace lumivox;

namespace {

class OptionsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(dir_.path());
        optionsFile_ = dir_.filePath(settings::kOptionsFile);
        previous_ = setMessageHandler([this](const Message& m) { messages_ << m; });
    }
    void TearDown() override {
        setMessageHandler(previous_);
        paths::setAppFolderOverride({});
    }

    static void setTimes(frmOptions& dialog, const QStringList& six) {
        QLineEdit* boxes[] = {dialog.txtFromH(), dialog.txtFromM(), dialog.txtFromS(),
                              dialog.txtToH(),   dialog.txtToM(),   dialog.txtToS()};
        for (int i = 0; i < 6; ++i) {
            boxes[i]->setText(six.at(i));
        }
    }
    QByteArray fileBytes() const {
        QFile f(optionsFile_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QString optionsFile_;
    Options options_;
    QList<Message> messages_;
    MessageHandler previous_;
};

TEST_F(OptionsDialog, LoadSplitsTheStoredTimesAndFollowsTheCutter) {
    options_.soundPrompt = 1;
    options_.cutter = 1;
    options_.cutFrom = 3725;
    options_.cutTo = 59;
    frmOptions dialog(options_);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("选项设置"));
    EXPECT_EQ(dialog.cmbSR()->currentText(), "OFF");
    EXPECT_TRUE(dialog.chkMC()->isChecked());
    const QStringList shown = {dialog.txtFromH()->text(), dialog.txtFromM()->text(),
                               dialog.txtFromS()->text(), dialog.txtToH()->text(),
                               dialog.txtToM()->text(),   dialog.txtToS()->text()};
    EXPECT_EQ(shown, (QStringList{"1", "2", "5", "0", "0", "59"}));
    EXPECT_TRUE(dialog.txtToS()->isEnabled());

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.chkMC(), Qt::LeftButton, {}, QPoint(6, dialog.chkMC()->height() / 2));
    EXPECT_FALSE(dialog.chkMC()->isChecked());
    EXPECT_FALSE(dialog.txtFromH()->isEnabled());
    EXPECT_EQ(dialog.txtFromH()->text(), "1") << "unticking leaves the texts";

    options_.cutter = 0;
    frmOptions cleared(options_);
    EXPECT_FALSE(cleared.txtFromM()->isEnabled());
    EXPECT_EQ(cleared.txtFromH()->text(), "0") << "a clear cutter shows the design texts";
}

// Each refused box: its message, title and focus; nothing is stored and the dialog stays open.
TEST_F(OptionsDialog, RefusesMinutesAndSecondsFromSixty) {
    struct Case {
        QStringList six;
        QString box;
        QString text;
        QString title;
    };
    const Case cases[] = {
        {{"0", "60", "0", "0", "0", "0"}, "txtFromM", "分钟必须小于60", "分钟"},
        {{"0", "0", "0", "0", "75", "0"}, "txtToM", "分钟必须小于60", "分钟"},
        {{"0", "0", " 60", "0", "0", "0"}, "txtFromS", "秒必须小于60", "秒"},
        {{"0", "0", "0", "0", "0", "59.5"}, "txtToS", "秒必须小于60", "秒"},
        // The minutes are checked before the seconds.
        {{"0", "0", "99", "0", "60", "0"}, "txtToM", "分钟必须小于60", "分钟"},
    };
    for (const Case& c : cases) {
        messages_.clear();
        options_.cutter = 1;
        frmOptions dialog(options_);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        setTimes(dialog, c.six);
        dialog.cmbSR()->setCurrentIndex(1);
        QTest::mouseClick(dialog.Command1(), Qt::LeftButton);
        ASSERT_EQ(messages_.size(), 1) << c.box.toStdString();
        EXPECT_EQ(messages_.at(0).text, c.text);
        EXPECT_EQ(messages_.at(0).title, c.title);
        EXPECT_EQ(messages_.at(0).icon, MessageIcon::Exclamation);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.box);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(options_.soundPrompt, 0);
        EXPECT_FALSE(QFile::exists(optionsFile_));
    }
}

// "OFF" is sound prompt 1, for which the batch plays no sound (engine_batch).
TEST_F(OptionsDialog, ConfirmStoresEverythingAndTheNextShowingShowsIt) {
    options_.cutter = 1;
    {
        frmOptions dialog(options_);
        EXPECT_EQ(dialog.cmbId3()->currentText(), "ID3v2.4") << "the default";
        setTimes(dialog, {"1", "2", "5", "0", "59", "2.5"});
        dialog.cmbSR()->setCurrentIndex(dialog.cmbSR()->findText("OFF"));
        dialog.cmbId3()->setCurrentIndex(
            dialog.cmbId3()->findText(QStringLiteral("ID3v2.3 + ID3v1（兼容车载和旧播放器）")));
        dialog.imgOK_Click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(messages_.isEmpty());
    }
    EXPECT_EQ(options_.cutFrom, 3725);
    EXPECT_EQ(options_.cutTo, 3542) << "59 minutes 2.5 seconds, the half to the even neighbour";
    EXPECT_EQ(options_.cutter, 1);
    EXPECT_EQ(options_.soundPrompt, 1);
    const Options stored = settings::loadOptions(optionsFile_);
    EXPECT_EQ(stored.cutFrom, 3725);
    EXPECT_EQ(stored.cutTo, 3542);
    EXPECT_EQ(stored.cutter, 1);
    EXPECT_EQ(stored.soundPrompt, 1);

    EXPECT_TRUE((settings::load(settings::ini::Id3Version) == QStringLiteral("2.3")));

    frmOptions again(options_);
    EXPECT_EQ(again.cmbId3()->currentIndex(), 1);
    EXPECT_EQ(again.txtFromH()->text(), "1");
    EXPECT_EQ(again.txtFromM()->text(), "2");
    EXPECT_EQ(again.txtFromS()->text(), "5");
}

TEST_F(OptionsDialog, AllZeroTimesClearTheCutter) {
    options_.cutter = 1;
    options_.cutFrom = 10;
    options_.cutTo = 20;
    frmOptions dialog(options_);
    setTimes(dialog, {"0", "0", "0", "0", " 0", "0.0"});
    dialog.imgOK_Click();
    EXPECT_FALSE(dialog.chkMC()->isChecked());
    const Options stored = settings::loadOptions(optionsFile_);
    EXPECT_EQ(stored.cutter, 0);
    EXPECT_EQ(stored.cutFrom, 0);
    EXPECT_EQ(stored.cutTo, 0);
}

TEST_F(OptionsDialog, GoingBackOrClosingChangesNothing) {
    options_.cutter = 1;
    options_.cutFrom = 3725;
    ASSERT_TRUE(settings::saveOptions(optionsFile_, options_));
    const QByteArray before = fileBytes();
    for (int way = 0; way < 2; ++way) {
        frmOptions dialog(options_);
        dialog.show();
        setTimes(dialog, {"2", "0", "0", "3", "0", "0"});
        dialog.cmbSR()->setCurrentIndex(1);
        if (way == 0) {
            QTest::mouseClick(dialog.Command2(), Qt::LeftButton);
        } else {
            dialog.close();  // the title bar's close
        }
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(options_.soundPrompt, 0);
    EXPECT_EQ(options_.cutFrom, 3725);
}

// Hours have no limit, but the stored value is 32 bits: a time too large keeps the old value
// instead of wrapping, and the rest is stored.
TEST_F(OptionsDialog, ATimeTooLargeToStoreKeepsTheOldValue) {
    options_.cutter = 1;
    options_.cutFrom = 100;
    frmOptions dialog(options_);
    setTimes(dialog, {"99999999", "0", "0", "0", "1", "0"});
    dialog.imgOK_Click();
    EXPECT_EQ(options_.cutFrom, 100);
    EXPECT_EQ(options_.cutTo, 60);
    EXPECT_EQ(settings::loadOptions(optionsFile_).cutTo, 60);
}

TEST_F(OptionsDialog, TheBareBackgroundResetsTheImageButtons) {
    frmOptions dialog(options_);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QList<ImageButton*> buttons = dialog.findChildren<ImageButton*>();
    ASSERT_EQ(buttons.size(), 3);
    for (ImageButton* b : buttons) {
        b->setHighlighted(true);
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), dialog.mapToGlobal(QPointF(4, 4)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &move);
    for (ImageButton* b : buttons) {
        EXPECT_FALSE(b->isHighlighted()) << b->objectName().toStdString();
    }
}

}  // namespace

namespace {

TEST_F(OptionsDialog, CueChoicesStartTickedAndAutomaticAndAreKeptInLumivoxIni) {
    {
        frmOptions dialog(options_);
        EXPECT_TRUE(dialog.chkCueSplit()->isChecked());
        EXPECT_EQ(dialog.cmbCueCodePage()->currentText(), QStringLiteral("自动"));
        dialog.chkCueSplit()->setChecked(false);
        dialog.cmbCueCodePage()->setCurrentIndex(dialog.cmbCueCodePage()->findText("Big5"));
        dialog.imgOK_Click();
    }
    {
        frmOptions dialog(options_);
        EXPECT_FALSE(dialog.chkCueSplit()->isChecked());
        EXPECT_EQ(dialog.cmbCueCodePage()->currentText(), "Big5");
        // Going back keeps them.
        dialog.chkCueSplit()->setChecked(true);
        dialog.imgBack_Click();
    }
    frmOptions again(options_);
    EXPECT_FALSE(again.chkCueSplit()->isChecked());
    QFile ini(paths::lumivoxIniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("CodePage=Big5"));
}

// The four choices for the phone and the car start at today's behaviour and are kept in
// lumivox.ini under their keys, each box in the order of its values.
TEST_F(OptionsDialog, DeviceChoicesStartAtTheDefaultsAndAreKeptInLumivoxIni) {
    {
        frmOptions dialog(options_);
        EXPECT_EQ(dialog.cmbMp3Mode()->currentText(),
                  QStringLiteral("固定码率 CBR（按上面选的码率）"));
        EXPECT_EQ(dialog.cmbCoverSize()->currentText(), QStringLiteral("封面保持原样"));
        EXPECT_EQ(dialog.cmbReplayGain()->currentText(), QStringLiteral("不处理音量"));
        EXPECT_FALSE(dialog.chkFatNames()->isChecked());
        EXPECT_EQ(dialog.chkFatNames()->text(), QStringLiteral("文件名适合车载和 FAT 存储卡"));
        dialog.cmbMp3Mode()->setCurrentIndex(
            dialog.cmbMp3Mode()->findText(QStringLiteral("可变码率 V2（标准）")));
        dialog.cmbCoverSize()->setCurrentIndex(
            dialog.cmbCoverSize()->findText(QStringLiteral("封面缩小到 500×500")));
        dialog.cmbReplayGain()->setCurrentIndex(
            dialog.cmbReplayGain()->findText(QStringLiteral("按专辑统一音量")));
        dialog.chkFatNames()->setChecked(true);
        dialog.imgOK_Click();
    }
    frmOptions again(options_);
    EXPECT_EQ(again.cmbMp3Mode()->currentText(), QStringLiteral("可变码率 V2（标准）"));
    EXPECT_EQ(again.cmbCoverSize()->currentText(), QStringLiteral("封面缩小到 500×500"));
    EXPECT_EQ(again.cmbReplayGain()->currentText(), QStringLiteral("按专辑统一音量"));
    EXPECT_TRUE(again.chkFatNames()->isChecked());
    QFile ini(paths::lumivoxIniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (const char* line : {"Mode=V2", "MaxSize=500", "ReplayGain=album", "Fat=true"}) {
        EXPECT_TRUE(text.contains(line)) << line;
    }
    EXPECT_EQ(again.cmbMp3Mode()->count(), 3);
    EXPECT_EQ(again.cmbCoverSize()->count(), 3);
    EXPECT_EQ(again.cmbReplayGain()->count(), 4);
}

}  // namespace

namespace {

// The scan's choice of every lossless format: off at first, its text as the window shows it,
// kept in lumivox.ini under Input/AllLossless.
TEST_F(OptionsDialog, AllLosslessStartsOffAndIsKeptInLumivoxIni) {
    {
        frmOptions dialog(options_);
        EXPECT_EQ(dialog.chkAllLossless()->objectName(), "chkAllLossless");
        EXPECT_EQ(
            dialog.chkAllLossless()->text(),
            QStringLiteral("扫描时也包括其他无损格式（APE、WV、TTA、TAK、M4A、WAV、AIFF、DSF）"));
        EXPECT_FALSE(dialog.chkAllLossless()->isChecked());
        // Its whole text is shown, not cut at the dialog's edge.
        EXPECT_LE(dialog.chkAllLossless()->sizeHint().width(), dialog.chkAllLossless()->width());
        EXPECT_LE(dialog.chkAllLossless()->geometry().right(), dialog.width());
        dialog.chkAllLossless()->setChecked(true);
        dialog.imgOK_Click();
    }
    EXPECT_TRUE(settings::load(settings::ini::AllLossless));
    QFile ini(paths::lumivoxIniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("AllLossless=true"));
    frmOptions again(options_);
    EXPECT_TRUE(again.chkAllLossless()->isChecked());
}

TEST_F(OptionsDialog, SyncStartsOffAndIsKeptInLumivoxIni) {
    {
        frmOptions dialog(options_);
        EXPECT_FALSE(dialog.chkSync()->isChecked());
        EXPECT_EQ(dialog.chkSync()->text(), QStringLiteral("同步模式：只转换新的和改过的文件"));
        dialog.chkSync()->setChecked(true);
        dialog.imgOK_Click();
    }
    frmOptions again(options_);
    EXPECT_TRUE(again.chkSync()->isChecked());
    QFile ini(paths::lumivoxIniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("[Library]\nSync=true"));
}

}  // namespace
