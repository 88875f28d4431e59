#include <QApplication>

#include "frmmain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumivox"));
    lumivox::frmMain window;
    window.show();
    return QApplication::exec();
}
