// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup dialog of the Parameter menu: the stock, the work holding and the tools of the
// program, as its setup file (PROGRAM.setup.toml) describes them. Every edit is judged at once by
// the rule the setup file's reader uses (stock::FindProblem): the value at fault is marked, the
// problem is told under the fields and O K is off until the setup is sound. The dialog only
// edits; the window saves what it gives.

#include "stock/Setup.h"

#include <QDialog>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace dialogs {

class SetupDialog : public QDialog {
  public:
    // Fills the fields from `setup`; `note` (may be empty) is shown above them, e.g. that the
    // file beside the program could not be read and O K writes a new one.
    SetupDialog(const stock::Setup& setup, const QString& note, QWidget* parent = nullptr);

    // The setup as the fields describe it; null while a field holds no number or the setup is
    // unsound (then Problem() says why).
    std::optional<stock::Setup> Edited() const;
    QString Problem() const;
    // For each tool number of Edited(), the number its row had when the dialog opened (a tool
    // renumbered in the dialog), or -1 for a row added in it.
    std::map<int, int> Origins() const;

    // The tools table's columns, in order.
    enum Column {
        ColNumber,
        ColKind,
        ColShape,
        ColEdge,
        ColNose,
        ColTip,
        ColApproach,
        ColWidth,
        ColCorner,
        ColReach,
        ColAngle,
        ColTipRadius,
        ColDrill,
        ColPoint,
        ColFlute,
        ColAxis,   // a combo: the kind's usual axis, X or Z
        ColDriven, // a check box
        ColumnCount
    };

    QComboBox* StockKind;
    QLineEdit *Diameter, *Bore, *Length, *FrontZ, *FaceAllowance;
    QCheckBox *HasChuck, *HasTailstock;
    QLineEdit *ChuckFaceZ, *ChuckDiameter, *GripLength, *JawHeight, *StepLength, *StepHeight, *TailstockZ;
    QTableWidget* Tools;
    QPushButton *AddTool, *RemoveTool, *Ok, *Cancel;
    QLabel* Message;

    void AddToolRow(int number, const stock::Tool& tool);

  private:
    // Reads every field, judges the setup, marks the field at fault and enables O K.
    void Judge();
    std::optional<stock::Setup> Read(std::string& field, QString& why) const;
    void Mark(const std::string& field);
    QWidget* FieldWidget(const std::string& field, int& row, int& column) const;

    stock::Setup Initial;              // what the dialog keeps that it does not show (profile, holders)
    std::vector<stock::Tool> RowTools; // the tool each row started from
    std::vector<int> RowNumbers;       // the number each row started with, -1 for an added row
    std::map<std::string, QLineEdit*> Fields; // by setup-file key
    std::optional<stock::Setup> Current;
    QString Why;
    bool Filling = false;
};

} // namespace dialogs
