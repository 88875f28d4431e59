#include <QApplication>
#include <QIcon>

#include "engine/base/instancelock.h"
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
    program.window().show();
    return QApplication::exec();
}
