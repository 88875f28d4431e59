// The console runner against a bare QProcess started and waited for in the same run: the cost of
// the 50 ms poll per run, the rate at which a talkative tool's output is taken, and how closely
// the handed-on output follows a tool that writes steadily. The tool is never held back by a
// full pipe (QProcess queues its output in memory), so each pass hands on everything waiting,
// in chunks of at most 1024 bytes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

#include "engine/run/dosoutputs.h"

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

// A tool writing 1500 bytes every 10 ms or so, about what a fast mencoder first pass prints: how
// much of its output had been handed on at half and at nine tenths of the run.
void follow(const QString& shell) {
    const QString script = QStringLiteral(
        "i=0; while [ $i -lt 100 ]; do head -c 1500 /dev/zero; sleep 0.01; i=$((i+1)); done");
    lumivox::DOSOutputs runner;
    lumivox::CurrentToolName = QFileInfo(shell).fileName();
    QList<QPair<qint64, qsizetype>> received;  // ms, bytes so far
    qsizetype total = 0;
    QElapsedTimer clock;
    QObject::connect(&runner, &lumivox::DOSOutputs::ReceiveOutputs, [&](QString& text) {
        total += text.size();
        received.append({clock.elapsed(), total});
    });
    clock.start();
    runner.ExecuteCommand(shell + QStringLiteral(" -c \"") + script + u'"');
    const qint64 end = clock.elapsed();
    auto byTime = [&](qint64 ms) {
        qsizetype bytes = 0;
        for (const auto& [at, sofar] : received) {
            if (at <= ms) {
                bytes = sofar;
            }
        }
        return bytes;
    };
    std::printf(
        "%-28s run %5lld ms   handed on by half-time %6.1f KB, by 9/10 %6.1f KB, of %6.1f KB\n",
        "writes 150 KB over ~1 s", static_cast<long long>(end), byTime(end / 2) / 1024.0,
        byTime(end * 9 / 10) / 1024.0, total / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The runner polls while any process of the tool's name lives, so the tools run under
    // names of their own: other users' "head" would stretch the figures.
    QTemporaryDir dir;
    const QString trueTool = dir.filePath(QStringLiteral("lvxbench_true"));
    const QString head = dir.filePath(QStringLiteral("lvxbench_head"));
    const QString shell = dir.filePath(QStringLiteral("lvxbench_sh"));
    if (!QFile::link(QStandardPaths::findExecutable(QStringLiteral("true")), trueTool) ||
        !QFile::link(QStandardPaths::findExecutable(QStringLiteral("head")), head) ||
        !QFile::link(QStandardPaths::findExecutable(QStringLiteral("sh")), shell)) {
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
    follow(shell);
    return 0;
}
