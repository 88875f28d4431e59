// The console runner against a bare QProcess started and waited for in the same run: the cost of
// the 50 ms poll per run, and the rate at which a talkative tool's output is taken (at most
// 1024 bytes a pass by design).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

#include "dosoutputs.h"

namespace {

struct Tool {
    const char* label;
    QString program;
    QStringList arguments;
    qsizetype expectedBytes;
};

double bareMs(const Tool& tool, int runs) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(tool.program, tool.arguments);
        process.waitForFinished(-1);
        if (process.readAll().size() != tool.expectedBytes) {
            std::fprintf(stderr, "bare run of %s lost output\n", tool.label);
        }
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / runs;
}

double runnerMs(const Tool& tool, int runs) {
    lumivox::DOSOutputs runner;
    lumivox::CurrentToolName = QFileInfo(tool.program).fileName();
    const QString line = (QStringList{tool.program} + tool.arguments).join(u' ');
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i) {
        if (runner.ExecuteCommand(line).size() != tool.expectedBytes) {
            std::fprintf(stderr, "runner run of %s lost output\n", tool.label);
        }
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / runs;
}

void compare(const Tool& tool, int runs) {
    const double bare = bareMs(tool, runs);
    const double runner = runnerMs(tool, runs);
    std::printf("%-28s runs %3d   bare QProcess %9.2f ms   runner %9.2f ms   ratio %7.1f\n",
                tool.label, runs, bare, runner, runner / bare);
    if (tool.expectedBytes > 0) {
        std::printf("%-28s throughput   bare %10.1f KB/s   runner %8.1f KB/s\n", "",
                    tool.expectedBytes / bare, tool.expectedBytes / runner);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The runner polls while any process of the tool's name lives, so the tools run under
    // names of their own: other users' "head" would stretch the figures.
    QTemporaryDir dir;
    const QString trueTool = dir.filePath(QStringLiteral("lvxbench_true"));
    const QString head = dir.filePath(QStringLiteral("lvxbench_head"));
    if (!QFile::link(QStandardPaths::findExecutable(QStringLiteral("true")), trueTool) ||
        !QFile::link(QStandardPaths::findExecutable(QStringLiteral("head")), head)) {
        std::fprintf(stderr, "cannot link the tools into %s\n", qPrintable(dir.path()));
        return 1;
    }
    const qsizetype size = 100 * 1024;
    compare({"exits at once (true)", trueTool, {}, 0}, 40);
    compare({"writes 100 KB (head -c)",
             head,
             {QStringLiteral("-c"), QString::number(size), QStringLiteral("/dev/zero")},
             size},
            3);
    return 0;
}
