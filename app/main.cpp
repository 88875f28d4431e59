#include <QApplication>
#include <QIcon>

#include "engine/base/instancelock.h"
#include "shell/filedrops.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "widgets/messageboxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumivox"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lumivox/lumivox.svg")));
    // A second start ends silently before any window exists; the first one stays as it is.
    lumivox::InstanceLock instance;
    if (!instance.tryLock()) {
        return 0;
    }
    lumivox::installMessageBoxes();
    lumivox::MainProgram program;
    // Files named on the command line join the list as dropped ones do.
    QList<QByteArray> named;
    for (int i = 1; i < argc; ++i) {
        named << QByteArray(argv[i]);
    }
    program.window().drops()->addNamedFiles(named);
    program.window().show();
    return QApplication::exec();
}
