#pragma once

#include <QObject>

#include <memory>

#include "settings/options.h"

namespace lumivox {

class frmMain;
class ConversionBatch;
class WindowBatchHost;

// The program: builds the main window and the subsystems behind it, connects the routing
// table's commands to them, and runs start-up and the two ways out.
class MainProgram : public QObject {
    Q_OBJECT
  public:
    MainProgram();
    ~MainProgram() override;

    frmMain& window() { return *window_; }
    ConversionBatch& batch() { return *batch_; }
    Options& options() { return options_; }

    // Start-up: defaults, saved choices, fallback folder, caption, options, rescale.
    void Form_Load();
    // The exit command: saves the choices, then closes the window.
    void imgExit_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void connectCommands();
    void showVbrNote();
    // Every way out: the temporary files go, then the program ends.
    void Form_Unload();

    Options options_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<WindowBatchHost> host_;
    std::unique_ptr<ConversionBatch> batch_;
    bool unloaded_ = false;
};

}  // namespace lumivox
