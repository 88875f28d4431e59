#include "settings/frmoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "collection/codepage.h"
#include "collection/nativenames.h"
#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/base/numbers.h"
#include "settings/lumivoxini.h"
#include "settings/settingsfiles.h"
#include "widgets/imagebutton.h"
#include "widgets/naming.h"
#include "widgets/rescale.h"
#include "widgets/skin.h"
#include "widgets/skinnedwindow.h"

namespace lumivox {

namespace {

// Wide enough for the scan's line of every lossless format.
constexpr int kClientWidth = 520;
constexpr int kClientHeight = 490;
constexpr int kMargin = 16;
constexpr int kRowHeight = 22;
constexpr int kTimeLeft = 76;  // the hours box of a time row
constexpr int kTimeBox = 40;
constexpr int kColonWidth = 12;
constexpr int kOffLeft = offLeft(kClientWidth);

const QString kAutomatic = QStringLiteral("自动");

// One time row: a caption, then hours : minutes : seconds.
std::array<QLineEdit*, 3> timeRow(QWidget* form, const QString& caption, int top,
                                  const std::array<const char*, 3>& names) {
    auto* label = new QLabel(caption, form);
    label->setGeometry(kMargin + 20, top, kTimeLeft - kMargin - 24, kRowHeight);
    std::array<QLineEdit*, 3> boxes{};
    int left = kTimeLeft;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (i > 0) {
            auto* colon = new QLabel(QStringLiteral(":"), form);
            colon->setAlignment(Qt::AlignCenter);
            colon->setGeometry(left, top, kColonWidth, kRowHeight);
            left += kColonWidth;
        }
        boxes[i] = named(new QLineEdit(QStringLiteral("0"), form), names[i]);
        boxes[i]->setGeometry(left, top, kTimeBox, kRowHeight);
        boxes[i]->setAlignment(Qt::AlignRight);
        left += kTimeBox;
    }
    return boxes;
}

double number(const QLineEdit* box) {
    return leadingNumber(box->text());
}

// Writes T seconds as hours, minutes and seconds, each part taken from what the boxes before it
// read back: 3725 -> 1, 2, 5.
void showTime(qint32 seconds, const std::array<QLineEdit*, 3>& boxes) {
    const double t = seconds;
    const auto text = [](double v) { return QString::number(static_cast<qint64>(std::floor(v))); };
    boxes[0]->setText(text(t / 3600));
    const double h = number(boxes[0]);
    boxes[1]->setText(text((t - h * 3600) / 60));
    const double m = number(boxes[1]);
    boxes[2]->setText(text(t - h * 3600 - m * 60));
}

// hours * 3600 + minutes * 60 + seconds, rounded half to even; nullopt when it does not fit the
// stored 32-bit value (hours have no limit of their own).
std::optional<qint32> timeFrom(const std::array<QLineEdit*, 3>& boxes) {
    const double total =
        roundHalfEven(number(boxes[0]) * 3600 + number(boxes[1]) * 60 + number(boxes[2]));
    if (!std::isfinite(total) || total < std::numeric_limits<qint32>::min() ||
        total > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(total);
}

}  // namespace

frmOptions::frmOptions(Options& options, QWidget* owner) : QDialog(owner), options_(options) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("选项设置"));
    setFont(uiFont(9));
    setFixedSize(kClientWidth, kClientHeight);

    auto* label1 = named(new QLabel(QStringLiteral("转换完毕声音提示"), this), "Label1");
    label1->setGeometry(kMargin, kMargin, 140, kRowHeight);
    cmbSR_ = named(new QComboBox(this), "cmbSR");
    cmbSR_->addItems({QStringLiteral("ON"), QStringLiteral("OFF")});
    cmbSR_->setGeometry(164, kMargin, 80, kRowHeight);

    chkMC_ = named(new QCheckBox(QStringLiteral("Music Cutter"), this), "chkMC");
    chkMC_->setGeometry(kMargin, 52, 200, kRowHeight);
    from_ = timeRow(this, QStringLiteral("开始"), 82, {"txtFromH", "txtFromM", "txtFromS"});
    to_ = timeRow(this, QStringLiteral("结束"), 112, {"txtToH", "txtToM", "txtToS"});
    chkKeepFolders_ =
        named(new QCheckBox(QStringLiteral("保持原文件夹结构"), this), "chkKeepFolders");
    chkKeepFolders_->setGeometry(kMargin, 144, 240, kRowHeight);
    auto* id3Label = named(new QLabel(QStringLiteral("MP3 标签"), this), "lblId3");
    id3Label->setGeometry(kMargin, 174, 64, kRowHeight);
    cmbId3_ = named(new QComboBox(this), "cmbId3");
    cmbId3_->addItems(
        {QStringLiteral("ID3v2.4"), QStringLiteral("ID3v2.3 + ID3v1（兼容车载和旧播放器）")});
    cmbId3_->setGeometry(kMargin + 64, 174, kClientWidth - 2 * kMargin - 64, kRowHeight);

    chkCueSplit_ = named(new QCheckBox(QStringLiteral("按 CUE 分轨"), this), "chkCueSplit");
    chkCueSplit_->setGeometry(kMargin, 204, 240, kRowHeight);
    auto* cueLabel = named(new QLabel(QStringLiteral("CUE 编码"), this), "lblCueCodePage");
    cueLabel->setGeometry(kMargin, 234, 64, kRowHeight);
    cmbCueCodePage_ = named(new QComboBox(this), "cmbCueCodePage");
    cmbCueCodePage_->addItem(kAutomatic);
    for (const codepage::CodePage page :
         {codepage::CodePage::Utf8, codepage::CodePage::Gb18030, codepage::CodePage::Big5,
          codepage::CodePage::ShiftJis, codepage::CodePage::EucKr, codepage::CodePage::Windows1251,
          codepage::CodePage::Windows1252}) {
        cmbCueCodePage_->addItem(codepage::displayName(page));
    }
    cmbCueCodePage_->setGeometry(kMargin + 64, 234, 140, kRowHeight);

    chkAllLossless_ = named(
        new QCheckBox(
            QStringLiteral("扫描时也包括其他无损格式（APE、WV、TTA、TAK、M4A、WAV、AIFF、DSF）"),
            this),
        "chkAllLossless");
    chkAllLossless_->setGeometry(kMargin, 264, kClientWidth - 2 * kMargin, kRowHeight);
    // Sync keeps the source folders whatever the box above says.
    chkSync_ =
        named(new QCheckBox(QStringLiteral("同步模式：只转换新的和改过的文件"), this), "chkSync");
    chkSync_->setGeometry(kMargin, 294, kClientWidth - 2 * kMargin, kRowHeight);

    const int wide = kClientWidth - 2 * kMargin;
    cmbMp3Mode_ = named(new QComboBox(this), "cmbMp3Mode");
    cmbMp3Mode_->addItems({QStringLiteral("固定码率 CBR（按上面选的码率）"),
                           QStringLiteral("可变码率 V0（最高音质）"),
                           QStringLiteral("可变码率 V2（标准）")});
    cmbMp3Mode_->setGeometry(kMargin, 324, wide, kRowHeight);
    cmbCoverSize_ = named(new QComboBox(this), "cmbCoverSize");
    cmbCoverSize_->addItems({QStringLiteral("封面保持原样"), QStringLiteral("封面缩小到 500×500"),
                             QStringLiteral("封面缩小到 300×300")});
    cmbCoverSize_->setGeometry(kMargin, 354, wide, kRowHeight);
    cmbReplayGain_ = named(new QComboBox(this), "cmbReplayGain");
    cmbReplayGain_->addItems({QStringLiteral("不处理音量"), QStringLiteral("写入回放增益标签"),
                              QStringLiteral("按曲目统一音量"), QStringLiteral("按专辑统一音量")});
    cmbReplayGain_->setGeometry(kMargin, 384, wide, kRowHeight);
    chkFatNames_ =
        named(new QCheckBox(QStringLiteral("文件名适合车载和 FAT 存储卡"), this), "chkFatNames");
    chkFatNames_->setGeometry(kMargin, 414, wide, kRowHeight);

    Command1_ = named(new QPushButton(QStringLiteral("确定"), this), "Command1");
    Command1_->setGeometry(kClientWidth - kMargin - 2 * 72 - 8, 450, 72, 26);
    Command2_ = named(new QPushButton(QStringLiteral("返回"), this), "Command2");
    Command2_->setGeometry(kClientWidth - kMargin - 72, 450, 72, 26);

    // The image buttons lie right of the client area; the bare background still resets them.
    const DialogImageButtons images =
        addDialogImageButtons(this, QStringLiteral("imgOK"), kOffLeft, 10);

    connect(chkMC_, &QCheckBox::clicked, this, &frmOptions::chkMC_Click);
    connect(Command1_, &QPushButton::clicked, this, &frmOptions::imgOK_Click);
    connect(images.action, &ImageButton::clicked, this, &frmOptions::imgOK_Click);
    connect(images.back, &ImageButton::clicked, this, &frmOptions::imgBack_Click);
    connect(Command2_, &QPushButton::clicked, this, &frmOptions::imgExit_Click);
    connect(images.exit, &ImageButton::clicked, this, &frmOptions::imgExit_Click);

    Form_Load();
}

void frmOptions::Form_Load() {
    // Qt scales for high-DPI screens itself: the factors are 1, as at the program's start.
    rescaleForm(this, 1.0, 1.0);
    if (options_.soundPrompt >= 0 && options_.soundPrompt < cmbSR_->count()) {
        cmbSR_->setCurrentIndex(options_.soundPrompt);
    }
    chkMC_->setChecked(options_.cutter == 1);
    if (chkMC_->isChecked()) {
        setTimeBoxesEnabled(true);
        showTime(options_.cutFrom, from_);
        showTime(options_.cutTo, to_);
    } else {
        setTimeBoxesEnabled(false);
    }
    chkKeepFolders_->setChecked(settings::load(settings::ini::KeepSourceFolders));
    cmbId3_->setCurrentIndex(
        (settings::load(settings::ini::Id3Version) == QStringLiteral("2.3")) ? 1 : 0);
    chkCueSplit_->setChecked(settings::load(settings::ini::CueSplit));
    chkAllLossless_->setChecked(settings::load(settings::ini::AllLossless));
    chkSync_->setChecked(settings::load(settings::ini::LibrarySync));
    // Each box lists the table's values in its order.
    cmbMp3Mode_->setCurrentIndex(static_cast<int>(
        settings::ini::Mp3Mode.values.indexOf(settings::load(settings::ini::Mp3Mode))));
    cmbCoverSize_->setCurrentIndex(static_cast<int>(
        settings::ini::CoverMaxSize.values.indexOf(settings::load(settings::ini::CoverMaxSize))));
    cmbReplayGain_->setCurrentIndex(static_cast<int>(
        settings::ini::ReplayGain.values.indexOf(settings::load(settings::ini::ReplayGain))));
    chkFatNames_->setChecked(settings::load(settings::ini::FatNames));
    // A name this program does not know reads as automatic.
    cmbCueCodePage_->setCurrentIndex(
        std::max(0, cmbCueCodePage_->findText(settings::load(settings::ini::CueCodePage))));
}

void frmOptions::setTimeBoxesEnabled(bool on) {
    for (QLineEdit* box : from_) {
        box->setEnabled(on);
    }
    for (QLineEdit* box : to_) {
        box->setEnabled(on);
    }
}

void frmOptions::chkMC_Click() {
    setTimeBoxesEnabled(chkMC_->isChecked());
}

void frmOptions::imgOK_Click() {
    // Disabled boxes are checked too; a focus move to one of them simply does not happen.
    struct Check {
        QLineEdit* box;
        const char16_t* text;
        const char16_t* title;
    };
    const Check checks[] = {{from_[1], u"分钟必须小于60", u"分钟"},
                            {to_[1], u"分钟必须小于60", u"分钟"},
                            {from_[2], u"秒必须小于60", u"秒"},
                            {to_[2], u"秒必须小于60", u"秒"}};
    for (const Check& check : checks) {
        if (number(check.box) > 59) {
            showMessage(QString::fromUtf16(check.text), MessageIcon::Exclamation,
                        QString::fromUtf16(check.title));
            check.box->setFocus();
            return;
        }
    }

    bool allZero = true;
    for (const auto* boxes : {&from_, &to_}) {
        for (const QLineEdit* box : *boxes) {
            allZero = allZero && number(box) == 0;
        }
    }
    if (allZero) {
        chkMC_->setChecked(false);
    }

    options_.soundPrompt = static_cast<qint16>(cmbSR_->currentIndex());
    options_.cutter = chkMC_->isChecked() ? 1 : 0;
    // A time too large to store is skipped like any failing step; the rest still goes ahead.
    if (const auto from = timeFrom(from_)) {
        options_.cutFrom = *from;
    }
    if (const auto to = timeFrom(to_)) {
        options_.cutTo = *to;
    }
    settings::saveOptions(paths::optionsIniPath(), options_);
    settings::save(settings::ini::KeepSourceFolders, chkKeepFolders_->isChecked());
    settings::save(settings::ini::Id3Version,
                   cmbId3_->currentIndex() == 1 ? QStringLiteral("2.3") : QStringLiteral("2.4"));
    settings::save(settings::ini::CueSplit, chkCueSplit_->isChecked());
    settings::save(settings::ini::AllLossless, chkAllLossless_->isChecked());
    settings::save(settings::ini::LibrarySync, chkSync_->isChecked());
    settings::save(settings::ini::Mp3Mode,
                   settings::ini::Mp3Mode.values.value(cmbMp3Mode_->currentIndex()));
    settings::save(settings::ini::CoverMaxSize,
                   settings::ini::CoverMaxSize.values.value(cmbCoverSize_->currentIndex()));
    settings::save(settings::ini::ReplayGain,
                   settings::ini::ReplayGain.values.value(cmbReplayGain_->currentIndex()));
    settings::save(settings::ini::FatNames, chkFatNames_->isChecked());
    settings::save(settings::ini::CueCodePage, cmbCueCodePage_->currentIndex() == 0
                                                   ? QString()
                                                   : cmbCueCodePage_->currentText());
    // Names of the files added from now on follow the chosen code page too.
    names::setChosenCodePage(codepage::fromDisplayName(settings::load(settings::ini::CueCodePage)));
    accept();
}

void frmOptions::imgBack_Click() {
    reject();
}

void frmOptions::imgExit_Click() {
    reject();
}

}  // namespace lumivox
