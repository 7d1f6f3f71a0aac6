// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/PlainTextPane.h"

#include "editor/ProgramView.h"
#include "files/ProgramText.h"

#include <algorithm>

namespace editor {

QString PlainTextPane::Text() const {
    return Pane->Text().PaneText();
}

int PlainTextPane::SelStart() const {
    return Pane->SelectionStart();
}

void PlainTextPane::Select(int start, int length) {
    const int end = Pane->Text().PaneLength();
    const int from = std::clamp(start, 0, end);
    Pane->SetSelection(from, std::clamp(from + length, from, end));
    Pane->EnsureCaretVisible();
}

void PlainTextPane::ReplaceRange(int start, int length, const QString& with) {
    files::ProgramText& text = Pane->Text();
    const int end = text.PaneLength();
    const int from = std::clamp(start, 0, end);
    const int behind = text.Replace(from, std::clamp(from + length, from, end), with);
    Pane->SetCaret(behind);
}

void PlainTextPane::ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) {
    if (edits.empty()) return;
    // One undo step for the whole command, made in one pass over the text.
    std::vector<files::ProgramText::Change> changes;
    changes.reserve(edits.size());
    for (const TextEdit& e : edits)
        changes.push_back({e.Start, e.Start + e.Length, with});
    Pane->Text().ReplaceEach(changes);
    const int grow = int(with.size()) - edits.back().Length;
    Pane->SetCaret(edits.back().Start + int(edits.size() - 1) * grow + int(with.size()));
    Pane->EnsureCaretVisible();
}

} // namespace editor
