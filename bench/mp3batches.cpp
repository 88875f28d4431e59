#include "bench/mp3batches.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "widgets/desktopservices.h"

namespace lumivox::bench {

void useBenchFolders(const QTemporaryDir& dir) {
    paths::setAppFolderOverride(QDir::cleanPath(QCoreApplication::applicationDirPath() + "/.."));
    paths::setPrivateTempFolderOverride(dir.filePath("T"));
    QDir().mkpath(dir.filePath("T/tmp"));
    setMessageHandler([](const Message& m) { std::fprintf(stderr, "%s\n", qPrintable(m.text)); });
    desktopServices() =
        DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};
}

QStringList plainFfmpegArgs(const QString& input, const QString& output) {
    return {"-nostdin", "-v",    "error", "-i",   input, "-y", "-vn",
            "-ar",      "44100", "-ab",   "128k", "-ac", "2",  output};
}

void throughWindow(const QStringList& inputs, const QString& outFolder) {
    MainProgram program;
    frmMain& w = program.window();
    w.formatBoxes()->selectFormat(FormatMp3);
    w.cmbBR()->setEditText("128");
    w.cmbR()->setEditText("44100");
    w.cmbChannel()->setCurrentIndex(1);
    w.txtPath()->setText(outFolder);
    for (const QString& input : inputs) {
        w.fileList()->AddFileEntry(input);
    }
    QSignalSpy finished(&program.batch(), &ConversionBatch::batchFinished);
    program.batch().imgStart_Click();
    finished.wait(3600 * 1000);
}

void twoSideBySide(const QStringList& inputs, const QString& outFolder) {
    QList<QProcess*> running;
    qsizetype next = 0;
    while (next < inputs.size() || !running.isEmpty()) {
        while (running.size() < 2 && next < inputs.size()) {
            auto* p = new QProcess;
            p->setStandardInputFile(QProcess::nullDevice());
            p->start("ffmpeg",
                     plainFfmpegArgs(inputs[next],
                                     QStringLiteral("%1/%2.mp3").arg(outFolder).arg(next)));
            running << p;
            ++next;
        }
        running.first()->waitForFinished(-1);
        delete running.takeFirst();
    }
}

}  // namespace lumivox::bench
