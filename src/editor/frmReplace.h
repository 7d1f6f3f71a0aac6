// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Replace dialog: the first "Replace" selects a match, each further press replaces it and
// selects the next; "Skip" passes a match by; "All replace" replaces every match to the end of
// the text and reports how many.

#include "editor/PlainTextPane.h"
#include "editor/Search.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace editor {

class frmReplace : public QDialog {
  public:
    // The caller has set ReplaceBuffer and SearchPos from the pane before.
    frmReplace(SearchState& state, ProgramView* pane, QWidget* parent = nullptr);

    // Puts the pane's selected text into the search box.
    void SetFindText(const QString& text);

    QLineEdit* txtFind;
    QLineEdit* txtReplace;
    QCheckBox* Check1;      // "From top"
    QPushButton* NextFind;  // "Skip"
    QPushButton* Change;    // "Replace"
    QPushButton* AllChange; // "All replace"
    QPushButton* Cancel;    // "Close"

    // Shows a message box; tests replace it to record the messages.
    std::function<void(const Message&)> ShowMessage;

  private:
    void txtFind_Change();
    void TakeBoxes();
    void Press(std::optional<Message> (*command)(SearchState&, SearchPane&, bool&));

    SearchState& State;
    PlainTextPane Pane;
};

} // namespace editor
