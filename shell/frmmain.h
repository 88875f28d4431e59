#pragma once

#include <QMainWindow>

namespace lumivox {

class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);
};

}  // namespace lumivox
