// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Find dialog: searches the program pane for the text in its box, from the caret or from
// the top, and counts the matches until the search runs out.

#include "editor/PlainTextPane.h"
#include "editor/Search.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace editor {

class frmFind : public QDialog {
  public:
    frmFind(SearchState& state, ProgramView* pane, QWidget* parent = nullptr);

    // Puts the pane's selected text into the search box (a change resets the count).
    void SetFindText(const QString& text);

    QLineEdit* txtFind;
    QCheckBox* Check1;     // "From Top"
    QPushButton* NextFind; // "Next Find"
    QPushButton* CancelButton;

    // Shows a message box; tests replace it to record the messages.
    std::function<void(const Message&)> ShowMessage;

  private:
    void NextFind_Click();

    SearchState& State;
    PlainTextPane Pane;
};

// Shows a message box with an OK button and no icon, as the searches report.
void ShowSearchMessage(QWidget* parent, const Message& message);

} // namespace editor
