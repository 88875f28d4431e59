// Ten 3-minute FLACs to MP3 at 128 kbit/s through the real window (offscreen), with coder.exe's
// encode on all cores and with it off (LUMIVOX_PARALLEL=0), against the same three tool commands
// per file run directly one after another and against plain ffmpeg encoding two files at a time,
// in the same run. Last, one file's encode alone, on all cores and serial.
//
//   build/bench/lumivox_batch_bench [files] [seconds] [rounds]
//
// With more than one round each figure is the best of the rounds, as other work on a shared
// machine only ever makes a run slower; the load average is printed before and after.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/apppaths.h"
#include "engine/cmdline.h"
#include "engine/commandbuilder.h"
#include "engine/conversionbatch.h"
#include "engine/messages.h"
#include "filelist/filelistmodel.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "shell/startup.h"
#include "widgets/desktopservices.h"

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

// MP3 at 128 kbit/s, 44100 Hz, stereo: what the window is set to below.
ConversionSettings mp3Settings() {
    ConversionSettings s;
    s.format = FormatMp3;
    s.audioBitrate = "128";
    s.sampleRate = "44100";
    s.channelPosition = 1;
    return s;
}

double direct(const QStringList& inputs, const QString& outFolder) {
    const CommandContext c{paths::appFolder(), paths::tmpWav(), paths::tmpMp4()};
    ConversionSettings s = mp3Settings();
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
    w.cmbBR()->setEditText("128");
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

// Plain ffmpeg, `lanes` processes side by side, each taking the next file when it is done.
double sideBySide(const QStringList& inputs, const QString& outFolder, int lanes) {
    QElapsedTimer timer;
    timer.start();
    QList<QProcess*> running;
    qsizetype next = 0;
    while (next < inputs.size() || !running.isEmpty()) {
        while (running.size() < lanes && next < inputs.size()) {
            auto* p = new QProcess;
            p->start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-i", inputs[next],
                                "-vn", "-ar", "44100", "-b:a", "128k", "-ac", "2",
                                QStringLiteral("%1/%2.mp3").arg(outFolder).arg(next)});
            running << p;
            ++next;
        }
        running.first()->waitForFinished(-1);
        delete running.takeFirst();
    }
    return timer.elapsed() / 1000.0;
}

// One file's encode command alone, as the batch runs it.
double encodeOnce(const QString& input, const QString& output) {
    const CommandContext c{paths::appFolder(), paths::tmpWav(), paths::tmpMp4()};
    QElapsedTimer timer;
    timer.start();
    run(mp3EncodeCommand(c, mp3Settings(), input, output));
    return timer.elapsed() / 1000.0;
}

std::string loadAverage() {
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toStdString() : "?";
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

    const int rounds = argc > 3 ? std::max(1, QString(argv[3]).toInt()) : 1;
    const std::string loadBefore = loadAverage();
    double baseline = 1e9, window = 1e9, serialWindow = 1e9, pairs = 1e9;
    double serialEncode = 1e9, parallelEncode = 1e9;
    for (int round = 0; round < rounds; ++round) {
        for (const char* folder : {"direct", "window", "serial", "pairs"}) {
            QDir(dir.filePath(folder)).removeRecursively();
            QDir().mkpath(dir.filePath(folder));
        }
        baseline = std::min(baseline, direct(inputs, dir.filePath("direct")));
        window = std::min(window, throughWindow(inputs, dir.filePath("window")));
        qputenv("LUMIVOX_PARALLEL", "0");
        serialWindow = std::min(serialWindow, throughWindow(inputs, dir.filePath("serial")));
        serialEncode =
            std::min(serialEncode, encodeOnce(inputs.first(), dir.filePath("one-serial.mp3")));
        qunsetenv("LUMIVOX_PARALLEL");
        parallelEncode =
            std::min(parallelEncode, encodeOnce(inputs.first(), dir.filePath("one-parallel.mp3")));
        pairs = std::min(pairs, sideBySide(inputs, dir.filePath("pairs"), 2));
    }
    std::printf("files: %d x %d s, %d cores, best of %d round(s)\n", files, seconds,
                QThread::idealThreadCount(), rounds);
    std::printf("load average before: %s, after: %s\n", loadBefore.c_str(), loadAverage().c_str());
    std::printf("direct tool commands:           %.2f s\n", baseline);
    std::printf("through the window:             %.2f s\n", window);
    std::printf("  the same, LUMIVOX_PARALLEL=0: %.2f s\n", serialWindow);
    std::printf("ffmpeg, two files at a time:    %.2f s\n", pairs);
    std::printf("ratio window/two-at-a-time:     %.3f (parallel off: %.3f)\n", window / pairs,
                serialWindow / pairs);
    std::printf("ratio window/direct:            %.3f\n", window / baseline);
    std::printf("one file's encode:              %.2f s on all cores, %.2f s serial (%.2fx)\n",
                parallelEncode, serialEncode, serialEncode / parallelEncode);
    return 0;
}
