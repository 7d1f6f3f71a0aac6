// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The unit dialog of the Parameter menu: chooses the input unit of program values. It opens with
// no unit chosen, so O K without a choice keeps the unit in force.

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace interp {
struct Machine;
}

namespace dialogs {

class UnitSet : public QDialog {
  public:
    explicit UnitSet(interp::Machine& machine, QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QRadioButton *Option1, *Option2, *Option3, *Option4; // 1mm, 0.01mm, 0.001mm, 1inch
    QPushButton *Command1, *Command2;                    // "O K", "Cancel"

  private:
    // UnitCode = the chosen option, the unit panel shows it; nothing is re-read or redrawn.
    void Command1_Click();

    interp::Machine& M;
};

// mnuUnitSet and the unit panel: the dialog, modal, created for this opening only.
void ShowUnitSet(interp::Machine& machine, QWidget* parent);

} // namespace dialogs
