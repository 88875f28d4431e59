#include "shell/formatboxes.h"

#include <QComboBox>
#include <QLineEdit>

#include "engine/base/apppaths.h"
#include "engine/commands/formatchoices.h"

namespace lumivox {

namespace {

QComboBox* makeBox(QWidget* parent, const QString& name, const QStringList& entries,
                   bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    box->addItems(entries);
    // Typed values are kept as text; they must not grow the fixed list.
    box->setInsertPolicy(QComboBox::NoInsert);
    // A typed value reaches the command as typed: inline completion would turn "12" into "12.2"
    // and "150" into "1500".
    if (editable) {
        box->setCompleter(nullptr);
    }
    box->setMaxVisibleItems(15);
    return box;
}

}  // namespace

FormatBoxes::FormatBoxes(QWidget* parent, QLineEdit* txtPath)
    : QObject(parent),
      cmbOF_(makeBox(parent, QStringLiteral("cmbOF"), choices::outputFormats(), false)),
      cmbBR_(makeBox(parent, QStringLiteral("cmbBR"), choices::audioBitrates(), true)),
      cmbR_(makeBox(parent, QStringLiteral("cmbR"), choices::sampleRates(), true)),
      cmbChannel_(makeBox(parent, QStringLiteral("cmbChannel"), choices::channels(), true)),
      cmbVB_(makeBox(parent, QStringLiteral("cmbVB"), choices::videoBitrates(), true)),
      cmbS_(makeBox(parent, QStringLiteral("cmbS"), choices::videoSizes(), true)),
      cmbF_(makeBox(parent, QStringLiteral("cmbF"), choices::frameRates(), true)),
      txtPath_(txtPath) {
    // activated covers every user choice (list, keys, wheel), also of the entry already shown.
    connect(cmbOF_, &QComboBox::activated, this, [this] { cmbOF_Click(); });
}

bool FormatBoxes::selectEntry(QComboBox* box, int position) {
    if (position < 0 || position >= box->count()) {
        return false;
    }
    box->setCurrentIndex(position);
    return true;
}

void FormatBoxes::writeText(QComboBox* box, const QString& text) {
    const int position = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(position);
    if (position < 0) {
        box->setEditText(text);
    }
}

bool FormatBoxes::selectFormat(int position) {
    if (!selectEntry(cmbOF_, position)) {
        return false;
    }
    cmbOF_Click();
    return true;
}

void FormatBoxes::cmbOF_Click() {
    const auto preset = choices::presetFor(cmbOF_->currentIndex());
    if (!preset) {
        return;
    }
    if (preset->videoBitrate) {
        writeText(cmbVB_, *preset->videoBitrate);
    }
    if (preset->frameRate) {
        writeText(cmbF_, *preset->frameRate);
    }
    if (preset->videoSize) {
        writeText(cmbS_, *preset->videoSize);
    }
    writeText(cmbR_, preset->sampleRate);
    writeText(cmbBR_, preset->audioBitrate);
    selectEntry(cmbChannel_, preset->channelPosition);
}

void FormatBoxes::selectDefaults() {
    selectEntry(cmbBR_, choices::kDefaultBitrate);
    selectEntry(cmbR_, choices::kDefaultSampleRate);
    selectEntry(cmbChannel_, choices::kDefaultChannel);
    selectFormat(choices::kDefaultFormat);
    txtPath_->setText(paths::defaultOutputFolder());
}

ConversionSettings FormatBoxes::currentSettings() const {
    ConversionSettings s;
    s.format = cmbOF_->currentIndex();
    s.audioBitrate = cmbBR_->currentText();
    s.sampleRate = cmbR_->currentText();
    s.channelPosition = cmbChannel_->currentIndex();
    s.videoSize = cmbS_->currentText();
    s.videoBitrate = cmbVB_->currentText();
    s.frameRate = cmbF_->currentText();
    s.outFolder = paths::withTrailingSeparator(txtPath_->text());
    return s;
}

}  // namespace lumivox
