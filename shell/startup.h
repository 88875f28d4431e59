#pragma once

#include <QStringList>

namespace lumivox {

class frmMain;

// Applies the saved choices in file order (cmbBR, cmbR, cmbChannel, txtPath, cmbOF). Positions a
// box refuses leave its selection. The restored audio positions stay in effect after the
// restored format's presets: the user's saved choices win.
void restoreChoices(frmMain& window, const QStringList& values);
// Writes the five choices as the exit command does.
bool saveChoices(const frmMain& window, const QString& path);

}  // namespace lumivox
