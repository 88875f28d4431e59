#include <QApplication>

#include "frmmain.h"
#include "messageboxes.h"
#include "startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumivox"));
    lumivox::installMessageBoxes();
    lumivox::MainProgram program;
    program.window().show();
    return QApplication::exec();
}
