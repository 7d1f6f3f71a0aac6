// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/frmFind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace editor {

void ShowSearchMessage(QWidget* parent, const Message& message) {
    QMessageBox box(QMessageBox::NoIcon, message.Title, message.Text, QMessageBox::Ok, parent);
    box.exec();
}

frmFind::frmFind(SearchState& state, ProgramView* pane, QWidget* parent)
    : QDialog(parent), State(state), Pane(pane) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Find character"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    Check1 = new QCheckBox(QStringLiteral("From Top"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    NextFind = new QPushButton(QStringLiteral("Next Find"), this);
    NextFind->setObjectName(QStringLiteral("NextFind"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    NextFind->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(NextFind, 0, 2);
    grid->addWidget(Check1, 1, 1);
    grid->addWidget(CancelButton, 1, 2);

    // The box opens with the last search text, as a dialog that was only hidden would.
    txtFind->setText(State.FindText);
    Check1->setChecked(State.FindFromTop);
    ShowMessage = [this](const Message& m) { ShowSearchMessage(this, m); };

    connect(txtFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        State.FindText = text;
        State.MatchCount = 0;
    });
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { State.FindFromTop = on; });
    connect(NextFind, &QPushButton::clicked, this, &frmFind::NextFind_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
}

void frmFind::SetFindText(const QString& text) {
    txtFind->setText(text);
}

void frmFind::NextFind_Click() {
    bool fromTop = Check1->isChecked();
    const std::optional<Message> message = FindDialogNextFind(State, Pane, fromTop);
    Check1->setChecked(fromTop);
    if (message) ShowMessage(*message);
}

} // namespace editor
