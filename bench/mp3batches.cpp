#include "bench/mp3batches.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>

#include "engine/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"

namespace lumivox::bench {

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
