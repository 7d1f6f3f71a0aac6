// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/frmReplace.h"
#include "editor/frmFind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace editor {

namespace {

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Only "Replace" may become the default button, and only while there is something to find.
    button->setAutoDefault(false);
    return button;
}

} // namespace

frmReplace::frmReplace(SearchState& state, ProgramView* pane, QWidget* parent)
    : QDialog(parent), State(state), Pane(pane) {
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(QStringLiteral("Replace"));
    setModal(true);

    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(QStringLiteral("txtReplace"));
    Check1 = new QCheckBox(QStringLiteral("From top"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    NextFind = MakeButton(QStringLiteral("NextFind"), QStringLiteral("Skip"), this);
    Change = MakeButton(QStringLiteral("Change"), QStringLiteral("Replace"), this);
    AllChange = MakeButton(QStringLiteral("AllChange"), QStringLiteral("All replace"), this);
    Cancel = MakeButton(QStringLiteral("Cancel"), QStringLiteral("Close"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Find character"), this), 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(NextFind, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Replace character"), this), 1, 0);
    grid->addWidget(txtReplace, 1, 1);
    grid->addWidget(Change, 1, 2);
    grid->addWidget(Check1, 2, 1);
    grid->addWidget(AllChange, 2, 2);
    grid->addWidget(Cancel, 3, 2);

    // On opening nothing is selected yet and there is nothing to search for.
    State.NoMatchSelected = true;
    NextFind->setEnabled(false);
    Change->setEnabled(false);
    AllChange->setEnabled(false);
    Change->setDefault(false);
    txtReplace->setText(State.ReplaceText);
    Check1->setChecked(State.ReplaceFromTop);
    ShowMessage = [this](const Message& m) { ShowSearchMessage(this, m); };

    connect(txtFind, &QLineEdit::textChanged, this, &frmReplace::txtFind_Change);
    connect(txtReplace, &QLineEdit::textChanged, this, &frmReplace::TakeBoxes);
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { State.ReplaceFromTop = on; });
    connect(NextFind, &QPushButton::clicked, this, [this] { Press(&ReplaceDialogSkip); });
    connect(Change, &QPushButton::clicked, this, [this] { Press(&ReplaceDialogReplace); });
    connect(AllChange, &QPushButton::clicked, this, [this] { Press(&ReplaceDialogAllReplace); });
    connect(Cancel, &QPushButton::clicked, this, &QDialog::close);
}

void frmReplace::SetFindText(const QString& text) {
    txtFind->setText(text);
}

void frmReplace::txtFind_Change() {
    const bool any = !txtFind->text().isEmpty();
    NextFind->setEnabled(any);
    Change->setEnabled(any);
    AllChange->setEnabled(any);
    Change->setDefault(any);
    TakeBoxes();
}

void frmReplace::TakeBoxes() {
    State.FindText = txtFind->text();
    State.ReplaceText = txtReplace->text();
    State.MatchCount = 0;
}

void frmReplace::Press(std::optional<Message> (*command)(SearchState&, SearchPane&, bool&)) {
    bool fromTop = Check1->isChecked();
    const std::optional<Message> message = command(State, Pane, fromTop);
    Check1->setChecked(fromTop);
    if (message) ShowMessage(*message);
}

} // namespace editor
