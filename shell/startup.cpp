#include "startup.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

#include "apppaths.h"
#include "batchhost.h"
#include "conversionbatch.h"
#include "formatboxes.h"
#include "frmmain.h"
#include "settingsfiles.h"

namespace lumivox {

namespace {
const QString kDefaultOutput = QStringLiteral("/output");

// A box takes a position inside its list, or -1 for no selected entry; anything else is refused.
std::optional<int> acceptedPosition(const QComboBox* box, const QString& text) {
    const auto position = settings::positionFromText(text);
    if (!position || *position < -1 || *position >= box->count()) {
        return std::nullopt;
    }
    return *position;
}
// An editable box holding typed text has no selected entry; the text itself is not saved.
int savedPosition(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}
}  // namespace

QString setupFilePath() {
    return paths::appFolder() + QStringLiteral("/") + settings::kSetupFile;
}

QString optionsFilePath() {
    return paths::appFolder() + QStringLiteral("/") + settings::kOptionsFile;
}

void restoreChoices(frmMain& window, const QStringList& values) {
    QComboBox* const audioBoxes[] = {window.cmbBR(), window.cmbR(), window.cmbChannel()};
    std::optional<int> restored[3];
    for (int i = 0; i < 3 && i < values.size(); ++i) {
        restored[i] = acceptedPosition(audioBoxes[i], values.at(i));
        if (restored[i]) {
            audioBoxes[i]->setCurrentIndex(*restored[i]);
        }
    }
    if (values.size() > 3) {
        window.txtPath()->setText(values.at(3));
    }
    if (values.size() > 4) {
        if (const auto format = acceptedPosition(window.cmbOF(), values.at(4));
            format && *format >= 0) {
            window.formatBoxes()->selectFormat(*format);
            // The presets just overwrote the audio boxes; the saved positions win. A saved -1
            // (a typed value, which is not saved) keeps the preset's text rather than none.
            for (int i = 0; i < 3; ++i) {
                if (restored[i] && *restored[i] >= 0) {
                    audioBoxes[i]->setCurrentIndex(*restored[i]);
                }
            }
        }
    }
}

bool saveChoices(const frmMain& window, const QString& path) {
    settings::SetupChoices choices;
    choices.bitratePosition = savedPosition(window.cmbBR());
    choices.sampleRatePosition = savedPosition(window.cmbR());
    choices.channelPosition = savedPosition(window.cmbChannel());
    choices.outputFolder = window.txtPath()->text();
    choices.formatPosition = window.cmbOF()->currentIndex();
    return settings::saveSetup(path, choices);
}

MainProgram::MainProgram()
    : window_(std::make_unique<frmMain>()),
      host_(std::make_unique<WindowBatchHost>(*window_)),
      batch_(std::make_unique<ConversionBatch>(*window_->fileList(), *host_)) {
    connect(window_.get(), &frmMain::startRequested, batch_.get(),
            &ConversionBatch::imgStart_Click);
    connect(window_.get(), &frmMain::exitRequested, this, &MainProgram::imgExit_Click);
    window_->installEventFilter(this);
    Form_Load();
}

MainProgram::~MainProgram() {
    window_->removeEventFilter(this);
}

void MainProgram::Form_Load() {
    if (const auto values = settings::readSetupValues(setupFilePath())) {
        restoreChoices(*window_, *values);
    }
    if (window_->txtPath()->text().isEmpty()) {
        window_->txtPath()->setText(paths::appFolder() + kDefaultOutput);
    }
    window_->setWindowTitle(QStringLiteral("Lumivox"));
    window_->lblWeb()->setText(QStringLiteral("Lumivox"));
    settings::loadOptionsIntoGlobals(optionsFilePath());
}

void MainProgram::imgExit_Click() {
    saveChoices(*window_, setupFilePath());
    window_->close();
}

bool MainProgram::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.get() && event->type() == QEvent::Close) {
        Form_Unload();
    }
    return QObject::eventFilter(watched, event);
}

void MainProgram::Form_Unload() {
    QFile::remove(paths::tmpFileWav());
    QFile::remove(paths::tmpFile1Mp3());
    if (batch_->isBusy()) {
        // Ending is immediate, also in the middle of a batch: the runs on the stack never
        // return to a window that is gone.
        std::_Exit(0);
    }
}

}  // namespace lumivox
