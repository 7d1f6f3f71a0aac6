// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The soft-limit dialog of the Parameter menu and the command around it: the four limits of the
// X and Z axes, which also fix the home point and frame the standard view. The dialog accepts any
// values; only limits the standard view cannot use lead to "Soft limit error." and a fresh dialog.

#include "base/Parameters.h"
#include "motion/Motion.h"

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace interp {
struct MachineState;
}

namespace dialogs {

// The leading number of each text ("12.5abc" gives 12.5, "abc" gives 0).
interp::SoftLimits ParseLimits(const QString& pvlx, const QString& pvlz, const QString& nvlx,
                               const QString& nvlz);

class SoftLimit : public QDialog {
  public:
    // Fills the boxes from the limits in force; O K writes the boxes back into `state`.
    explicit SoftLimit(interp::MachineState& state, QWidget* parent = nullptr);

    QLabel *Label1, *Label2, *Label3, *Label4; // "P-Soft Limit", "N-Soft Limit", "X", "Z"
    QLineEdit *tPVLX, *tPVLZ, *tNVLX, *tNVLZ;
    QPushButton *Command1, *Command2; // "O  K", "Cancel"

  private:
    void Command1_Click();

    interp::MachineState& S;
};

// The window's standard view (press feedback, layout, view numbers, re-run) reporting its
// result. It must not handle a soft-limit error itself: the cycle below does.
using StandardViewFn = std::function<motion::StandardViewResult()>;

// "Soft limit error." immediately followed by the error number.
QString SoftLimitErrorText();

// mnuSoftLimit: the dialog, then the standard view; limits it cannot use give the error message
// and a fresh dialog, until the view can be built. Cancel in a dialog opened after an error
// puts back the limits in force before (or, when those fail too, the power-on limits).
void SoftLimitCommand(interp::MachineState& s, QWidget* parent, const StandardViewFn& standardView);
// A standard view started elsewhere failed on the limits: the error message, then the command.
void ReportSoftLimitError(interp::MachineState& s, QWidget* parent, const StandardViewFn& standardView);

} // namespace dialogs
