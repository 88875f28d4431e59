// Adding 10 000 files to the list and clearing it, with a QTreeView showing the model, against
// plain QStringList work of the same count measured in the same run.
#include "filelist/filelistmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr int kEntries = 10000;
constexpr int kRounds = 5;
constexpr int kServedRounds = 3;

QStringList makePaths() {
    QStringList paths;
    for (int i = 0; i < kEntries; ++i) {
        paths.append(QStringLiteral("/home/user/music/album %1/track %2.flac").arg(i / 12).arg(i));
    }
    return paths;
}

double medianOf(std::vector<qint64> nanoseconds) {
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return static_cast<double>(nanoseconds[nanoseconds.size() / 2]) / 1e6;
}

// Median of kRounds runs of body, which times its own measured section and returns nanoseconds.
double medianMs(const std::function<qint64()>& body) {
    std::vector<qint64> runs;
    for (int round = 0; round < kRounds; ++round) {
        runs.push_back(body());
    }
    return medianOf(std::move(runs));
}

struct Viewed {
    lumivox::FileListModel model;
    QTreeView view;
    Viewed() {
        view.setModel(&model);
        view.resize(460, 300);
        view.show();
        QCoreApplication::processEvents();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList paths = makePaths();

    const double listAppend = medianMs([&] {
        QStringList list;
        QElapsedTimer timer;
        timer.start();
        for (const QString& path : paths) {
            list.append(path);
        }
        return timer.nsecsElapsed();
    });
    const double listPopFront = medianMs([&] {
        QStringList list = paths;
        list.detach();
        QElapsedTimer timer;
        timer.start();
        while (!list.isEmpty()) {
            list.removeFirst();
        }
        return timer.nsecsElapsed();
    });
    // What a queue that shifts its elements on every pop would cost.
    const double vectorEraseFront = medianMs([&] {
        std::vector<QString> list(paths.begin(), paths.end());
        QElapsedTimer timer;
        timer.start();
        while (!list.empty()) {
            list.erase(list.begin());
        }
        return timer.nsecsElapsed();
    });

    const double modelAdd = medianMs([&] {
        Viewed v;
        QElapsedTimer timer;
        timer.start();
        for (const QString& path : paths) {
            v.model.AddFileEntry(path);
        }
        return timer.nsecsElapsed();
    });
    const double modelClearNoServe = medianMs([&] {
        Viewed v;
        v.model.addFileEntries(paths);
        QElapsedTimer timer;
        timer.start();
        v.model.ClearFileList([] {});
        return timer.nsecsElapsed();
    });
    // With processEvents as the serve callback: each round splits its time into serving and the
    // rest (the model and the view's slots on its signals). Fewer rounds: each takes seconds.
    std::vector<qint64> totals;
    std::vector<qint64> outsideServing;
    for (int round = 0; round < kServedRounds; ++round) {
        Viewed v;
        v.model.addFileEntries(paths);
        QElapsedTimer timer;
        QElapsedTimer serving;
        qint64 served = 0;
        timer.start();
        v.model.ClearFileList([&] {
            serving.start();
            QCoreApplication::processEvents();
            served += serving.nsecsElapsed();
        });
        const qint64 total = timer.nsecsElapsed();
        totals.push_back(total);
        outsideServing.push_back(total - served);
    }
    const double modelClearServed = medianOf(totals);
    const double modelWorkServed = medianOf(outsideServing);

    std::printf(
        "file list, %d entries, QTreeView attached and shown, median of %d rounds (%d "
        "with processEvents)\n",
        kEntries, kRounds, kServedRounds);
    std::printf("baseline QStringList append          %9.3f ms\n", listAppend);
    std::printf("baseline QStringList removeFirst     %9.3f ms\n", listPopFront);
    std::printf("std::vector erase(begin)             %9.3f ms  (%.1fx removeFirst)\n",
                vectorEraseFront, vectorEraseFront / listPopFront);
    std::printf("model AddFileEntry x N               %9.3f ms  (%.1fx append)\n", modelAdd,
                modelAdd / listAppend);
    std::printf("model ClearFileList, no-op serve     %9.3f ms  (%.1fx removeFirst)\n",
                modelClearNoServe, modelClearNoServe / listPopFront);
    std::printf("model ClearFileList, processEvents   %9.3f ms  (%.1fx no-op serve)\n",
                modelClearServed, modelClearServed / modelClearNoServe);
    std::printf("  outside serving events              %9.3f ms  (%.1fx no-op serve)\n",
                modelWorkServed, modelWorkServed / modelClearNoServe);
    return 0;
}
