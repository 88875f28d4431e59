#pragma once

#include <QObject>
#include <QString>

#include "engine/commands/commandbuilder.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace lumivox {

// The seven choice boxes and the presets that choosing an output format writes into the other
// six. The boxes are created as children of the given parent; the window places them.
class FormatBoxes : public QObject {
    Q_OBJECT
  public:
    // txtPath is read as the output folder by currentSettings() and set by selectDefaults().
    FormatBoxes(QWidget* parent, QLineEdit* txtPath);

    QComboBox* cmbOF() const { return cmbOF_; }
    QComboBox* cmbBR() const { return cmbBR_; }
    QComboBox* cmbR() const { return cmbR_; }
    QComboBox* cmbChannel() const { return cmbChannel_; }
    QComboBox* cmbVB() const { return cmbVB_; }
    QComboBox* cmbS() const { return cmbS_; }
    QComboBox* cmbF() const { return cmbF_; }

    // Selects a format as the user's choice does, running cmbOF_Click even when the position
    // does not change. A position outside the list is refused: nothing changes, false.
    bool selectFormat(int position);
    // Writes the presets of the selected format into the other boxes.
    void cmbOF_Click();

    // The selection at start: cmbBR 7, cmbR 1, cmbChannel 1, then format 0 with its presets,
    // and the default output folder.
    void selectDefaults();

    // What the command lines are built from, read from the boxes now.
    ConversionSettings currentSettings() const;

    // Selects a position of any box; outside the list the box keeps its selection (false).
    static bool selectEntry(QComboBox* box, int position);
    // Writes a text into an editable box: a text of its list selects that entry, any other text
    // leaves no entry selected (position -1) and shows the text as typed.
    static void writeText(QComboBox* box, const QString& text);

  private:
    QComboBox* cmbOF_;
    QComboBox* cmbBR_;
    QComboBox* cmbR_;
    QComboBox* cmbChannel_;
    QComboBox* cmbVB_;
    QComboBox* cmbS_;
    QComboBox* cmbF_;
    QLineEdit* txtPath_;
};

}  // namespace lumivox
