// Ten 3-minute FLACs to MP3 through the real window (offscreen), against the same three tool
// commands per file run directly one after another, in the same run.
//
//   build/bench/lumivox_batch_bench [files] [seconds]

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTime>

#include <cstdio>

#include "apppaths.h"
#include "cmdline.h"
#include "commandbuilder.h"
#include "conversionbatch.h"
#include "desktopservices.h"
#include "filelistmodel.h"
#include "formatboxes.h"
#include "frmmain.h"
#include "mainprogram.h"
#include "messages.h"
#include "startup.h"

using namespace lumivox;

namespace {

bool run(const QString& commandLine) {
    const QStringList args = splitCommandLine(commandLine);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(args.first(), args.mid(1));
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit;
}

double direct(const QStringList& inputs, const QString& outFolder) {
    const CommandContext c{paths::appFolder(), paths::tmpWav(), paths::tmpMp4()};
    ConversionSettings s;
    s.format = FormatMp3;
    s.audioBitrate = "96";
    s.sampleRate = "44100";
    s.channelPosition = 1;
    s.outFolder = outFolder + "/";
    QElapsedTimer timer;
    timer.start();
    for (const QString& input : inputs) {
        const QString out = uniqueOutputPath(s, input, timeStamp(QTime::currentTime()));
        run(mp3DecodeCommand(c, input));
        run(mp3ProbeCommand(c));
        run(mp3EncodeCommand(c, s, input, out));
    }
    return timer.elapsed() / 1000.0;
}

double throughWindow(const QStringList& inputs, const QString& outFolder) {
    MainProgram program;
    frmMain& w = program.window();
    w.formatBoxes()->selectFormat(FormatMp3);
    w.cmbBR()->setEditText("96");
    w.cmbR()->setEditText("44100");
    w.txtPath()->setText(outFolder);
    for (const QString& input : inputs) {
        w.fileList()->AddFileEntry(input);
    }
    QSignalSpy finished(&program.batch(), &ConversionBatch::batchFinished);
    QElapsedTimer timer;
    timer.start();
    program.batch().imgStart_Click();
    finished.wait(3600 * 1000);
    return timer.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? QString(argv[1]).toInt() : 10;
    const int seconds = argc > 2 ? QString(argv[2]).toInt() : 180;

    QTemporaryDir dir;
    paths::setAppFolderOverride(QDir::cleanPath(QCoreApplication::applicationDirPath() + "/.."));
    paths::setPrivateTempFolderOverride(dir.filePath("T"));
    QDir().mkpath(dir.filePath("T/tmp"));
    setMessageHandler([](const Message& m) { std::fprintf(stderr, "%s\n", qPrintable(m.text)); });
    desktopServices() =
        DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};

    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = dir.filePath(QStringLiteral("track%1.flac").arg(i));
        QProcess::execute(
            "ffmpeg",
            {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
             QStringLiteral("sine=frequency=%1:duration=%2").arg(220 + 20 * i).arg(seconds), "-ac",
             "2", path});
        inputs << path;
    }
    QDir().mkpath(dir.filePath("direct"));
    QDir().mkpath(dir.filePath("window"));

    const double baseline = direct(inputs, dir.filePath("direct"));
    const double window = throughWindow(inputs, dir.filePath("window"));
    std::printf("files: %d x %d s\n", files, seconds);
    std::printf("direct tool commands: %.2f s\n", baseline);
    std::printf("through the window:   %.2f s\n", window);
    std::printf("ratio window/direct:  %.3f\n", window / baseline);
    std::printf("overhead per file:    %.0f ms\n", (window - baseline) * 1000.0 / files);
    return 0;
}
