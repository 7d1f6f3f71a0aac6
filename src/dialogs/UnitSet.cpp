// SPDX-License-Identifier: GPL-3.0-or-later
// The unit dialog.

#include "dialogs/UnitSet.h"

#include "base/Machine.h"
#include "interp/Interpreter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dialogs {

UnitSet::UnitSet(interp::Machine& machine, QWidget* parent) : QDialog(parent), M(machine) {
    setWindowTitle(QStringLiteral("Unit Change"));
    Frame1 = new QGroupBox(QStringLiteral("Unit"), this);
    Option1 = new QRadioButton(QStringLiteral("1mm"), Frame1);
    Option2 = new QRadioButton(QStringLiteral("0.01mm"), Frame1);
    Option3 = new QRadioButton(QStringLiteral("0.001mm"), Frame1);
    Option4 = new QRadioButton(QStringLiteral("1inch"), Frame1);
    auto* options = new QVBoxLayout(Frame1);
    for (QRadioButton* o : {Option1, Option2, Option3, Option4})
        options->addWidget(o);

    Command1 = new QPushButton(QStringLiteral("O K"), this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &UnitSet::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void UnitSet::Command1_Click() {
    int16_t code = M.S.UnitCode;
    int16_t n = 1;
    for (QRadioButton* o : {Option1, Option2, Option3, Option4}) {
        if (o->isChecked()) code = n;
        ++n;
    }
    M.S.UnitCode = code;
    interp::ShowUnit(M);
    accept();
}

void ShowUnitSet(interp::Machine& machine, QWidget* parent) {
    UnitSet dialog(machine, parent);
    dialog.exec();
}

} // namespace dialogs
