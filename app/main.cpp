#include <QApplication>

#include "frmmain.h"
#include "messageboxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumivox"));
    lumivox::installMessageBoxes();
    lumivox::frmMain window;
    window.show();
    return QApplication::exec();
}
