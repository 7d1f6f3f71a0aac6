// SPDX-License-Identifier: GPL-3.0-or-later
// The soft-limit dialog and the "Soft limit error." cycle.

#include "dialogs/SoftLimit.h"

#include "base/Legacy.h"
#include "base/MachineState.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace dialogs {

namespace {

double LeadingNumber(const QString& text) {
    return legacy::Val(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                           static_cast<size_t>(text.size())));
}

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// True when O K closed the dialog; the limits are then those of the boxes.
bool EditLimits(interp::MachineState& s, QWidget* parent) {
    SoftLimit dialog(s, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ShowError(QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Zarvik"), SoftLimitErrorText(), QMessageBox::Ok,
                    parent);
    box.exec();
}

bool ViewBuilt(const StandardViewFn& standardView) {
    return standardView() != motion::StandardViewResult::SoftLimitError;
}

// The dialogs of the error cycle; `afterError` once a standard view has failed.
void RunCycle(interp::MachineState& s, QWidget* parent, const StandardViewFn& standardView, bool afterError) {
    const interp::SoftLimits before = interp::LimitsOf(s);
    for (;;) {
        const bool accepted = EditLimits(s, parent);
        if (!accepted && afterError) {
            // NOTE: without a way back, limits the view cannot use would hold the operator in
            // the error cycle; Cancel after an error returns to limits that work.
            for (const interp::SoftLimits& limits : {before, interp::LimitsOf(interp::MachineState{})}) {
                interp::ApplyLimits(s, limits);
                if (ViewBuilt(standardView)) return;
            }
            ShowError(parent); // not even the power-on limits give a view: leave it there
            return;
        }
        if (ViewBuilt(standardView)) return;
        ShowError(parent);
        afterError = true;
    }
}

} // namespace

interp::SoftLimits ParseLimits(const QString& pvlx, const QString& pvlz, const QString& nvlx,
                               const QString& nvlz) {
    return {LeadingNumber(pvlx), LeadingNumber(pvlz), LeadingNumber(nvlx),
            static_cast<float>(LeadingNumber(nvlz))};
}

SoftLimit::SoftLimit(interp::MachineState& state, QWidget* parent) : QDialog(parent), S(state) {
    setWindowTitle(QStringLiteral("Soft Limit"));
    Label1 = new QLabel(QStringLiteral("P-Soft Limit"), this);
    Label2 = new QLabel(QStringLiteral("N-Soft Limit"), this);
    Label3 = new QLabel(QStringLiteral("X"), this);
    Label4 = new QLabel(QStringLiteral("Z"), this);
    Label3->setAlignment(Qt::AlignCenter);
    Label4->setAlignment(Qt::AlignCenter);
    // NVLZ is single precision: seven significant digits at most.
    tPVLX = new QLineEdit(Text(legacy::Str15(S.PVLX)), this);
    tPVLZ = new QLineEdit(Text(legacy::Str15(S.PVLZ)), this);
    tNVLX = new QLineEdit(Text(legacy::Str15(S.NVLX)), this);
    tNVLZ = new QLineEdit(Text(legacy::Str7(S.NVLZ)), this);

    auto* grid = new QGridLayout;
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(Label4, 0, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(tPVLX, 1, 1);
    grid->addWidget(tPVLZ, 1, 2);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(tNVLX, 2, 1);
    grid->addWidget(tNVLZ, 2, 2);

    Command1 = new QPushButton(QStringLiteral("O  K"), this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &SoftLimit::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void SoftLimit::Command1_Click() {
    interp::ApplyLimits(S, ParseLimits(tPVLX->text(), tPVLZ->text(), tNVLX->text(), tNVLZ->text()));
    accept();
}

QString SoftLimitErrorText() {
    return QStringLiteral("Soft limit error.") + QString::number(motion::SoftLimitErrorNumber);
}

void SoftLimitCommand(interp::MachineState& s, QWidget* parent, const StandardViewFn& standardView) {
    RunCycle(s, parent, standardView, false);
}

void ReportSoftLimitError(interp::MachineState& s, QWidget* parent, const StandardViewFn& standardView) {
    ShowError(parent);
    RunCycle(s, parent, standardView, true);
}

} // namespace dialogs
