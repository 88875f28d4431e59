#include "shell/mainprogram.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include <cstdlib>

#include "collection/codepage.h"
#include "collection/nativenames.h"
#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/base/tempfiles.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "help/helpcommands.h"
#include "settings/frmoptions.h"
#include "settings/lumivoxini.h"
#include "settings/settingsfiles.h"
#include "shell/batchhost.h"
#include "shell/commandrouter.h"
#include "shell/filelistcommands.h"
#include "shell/frmmain.h"
#include "shell/startup.h"
#include "widgets/rescale.h"

namespace lumivox {

MainProgram::MainProgram()
    : window_(std::make_unique<frmMain>()),
      host_(std::make_unique<WindowBatchHost>(*window_, options_)),
      batch_(std::make_unique<ConversionBatch>(*window_->fileList(), *host_)) {
    connectCommands();
    window_->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainProgram::Form_Unload);
    Form_Load();
}

MainProgram::~MainProgram() {
    window_->removeEventFilter(this);
}

// In VBR the bitrate box is not used: the window says so beside it.
void MainProgram::showVbrNote() {
    window_->lblVbrNote()->setVisible(settings::load(settings::ini::Mp3Mode) !=
                                      QStringLiteral("CBR"));
}

void MainProgram::connectCommands() {
    CommandRouter* router = window_->router();
    connect(router, &CommandRouter::startRequested, batch_.get(), &ConversionBatch::imgStart_Click);
    connect(router, &CommandRouter::stopRequested, batch_.get(), &ConversionBatch::cmdStop_Click);
    connect(router, &CommandRouter::exitRequested, this, &MainProgram::imgExit_Click);
    connect(router, &CommandRouter::addFolderRequested, window_->fileCommands(),
            &FileListCommands::ScanFolderIntoList);
    connect(router, &CommandRouter::optionsRequested, this, [this] {
        frmOptions dialog(options_, window_.get());
        dialog.exec();
        showVbrNote();
    });
    connect(router, &CommandRouter::helpRequested, this, &help::openHelp);
    connect(router, &CommandRouter::aboutRequested, this, &help::showAbout);
    connect(router, &CommandRouter::feedbackRequested, this,
            [this] { help::showFeedback(window_.get()); });
    connect(router, &CommandRouter::webRequested, this, &help::openWebSite);
}

void MainProgram::Form_Load() {
    paths::seedSetupIni();
    if (const auto values = settings::readSetupValues(paths::setupIniPath())) {
        restoreChoices(*window_, *values);
    }
    if (window_->txtPath()->text().isEmpty()) {
        window_->txtPath()->setText(paths::defaultOutputFolder());
    }
    window_->setWindowTitle(kProgramTitle);
    window_->lblWeb()->setText(kProgramTitle);
    window_->lblWeb()->setToolTip(help::siteAddress());
    settings::loadOptions(paths::optionsIniPath(), options_);
    // The code page chosen for sheets is the one names are read in too.
    names::setChosenCodePage(codepage::fromDisplayName(settings::load(settings::ini::CueCodePage)));
    showVbrNote();
    // Qt already lays out in device-independent pixels, so the design scale is the screen's.
    rescaleForm(window_.get(), 1.0, 1.0, window_->txtPath());
}

void MainProgram::imgExit_Click() {
    saveChoices(*window_, paths::setupIniPath());
    window_->close();
}

bool MainProgram::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.get() && event->type() == QEvent::Close) {
        Form_Unload();
    }
    return QObject::eventFilter(watched, event);
}

void MainProgram::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    window_->fileCommands()->cancelScan();
    if (batch_->isBusy()) {
        // The window goes at once; the tool it started goes with it, its partial output too.
        window_->hide();
        batch_->endForExit();
    }
    removeTemporaryFiles(temporaryFiles(), [] { QCoreApplication::processEvents(); });
    if (batch_->isBusy()) {
        // Ending is immediate, also in the middle of a batch: the batch's next steps never
        // reach a window that is gone.
        std::_Exit(0);
    }
    QCoreApplication::quit();
}

}  // namespace lumivox
