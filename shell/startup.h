#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace lumivox {

class frmMain;
class ConversionBatch;
class WindowBatchHost;

QString setupFilePath();    // application folder + "/setup.ini"
QString optionsFilePath();  // application folder + "/options.ini"

// Applies the saved choices in file order (cmbBR, cmbR, cmbChannel, txtPath, cmbOF). Positions a
// box refuses leave its selection. The restored audio positions stay in effect after the
// restored format's presets: the user's saved choices win.
void restoreChoices(frmMain& window, const QStringList& values);
// Writes the five choices as the exit command does.
bool saveChoices(const frmMain& window, const QString& path);

// The program: the main window, the batch behind it, start-up and the exit command.
class MainProgram : public QObject {
    Q_OBJECT
  public:
    MainProgram();
    ~MainProgram() override;

    frmMain& window() { return *window_; }
    ConversionBatch& batch() { return *batch_; }

    // Start-up: defaults, saved choices, fallback folder, caption, options.
    void Form_Load();
    // The exit command: saves the choices, then closes the window.
    void imgExit_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Unload();

    std::unique_ptr<frmMain> window_;
    std::unique_ptr<WindowBatchHost> host_;
    std::unique_ptr<ConversionBatch> batch_;
};

}  // namespace lumivox
