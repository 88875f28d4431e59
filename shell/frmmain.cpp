#include "frmmain.h"

namespace lumivox {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Lumivox"));
    resize(698, 455);
}

}  // namespace lumivox
