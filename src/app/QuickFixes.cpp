// SPDX-License-Identifier: GPL-3.0-or-later
// The quick fixes of the problems list, applied to the program text. Each is one step of the
// pane's undo, marks the text changed and never saves it.

#include "app/ProgramDocument.h"
#include "app/Widgets.h"
#include "files/ProgramText.h"
#include "inspect/QuickFix.h"

#include <vector>

namespace app {

void ProgramDocument::ApplyQuickFix(inspect::QuickFix fix) {
    files::ProgramText& t = *Exact;
    const std::u16string& text = ExactText();
    if (fix == inspect::QuickFix::LineEndsCrLf) {
        // Each lone LF or CR is replaced by a break the operator might have typed (a CR LF), as
        // one step of the undo.
        std::vector<files::ProgramText::Change> breaks;
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n') {
                ++k;
            } else if (text[k] == u'\r' || text[k] == u'\n') {
                const int at = t.ToPanePosition(static_cast<int64_t>(k));
                breaks.push_back({at, at + 1, QStringLiteral("\n")});
            }
        }
        if (breaks.empty()) return;
        // As the line-end notice's own command: the blocks change, so the lathe starts again.
        ResetAfterNewText([&t, &breaks] { t.ReplaceEach(breaks); });
        return;
    }
    std::vector<inspect::TextEdit> edits;
    switch (fix) {
    case inspect::QuickFix::LineBreakAtEnd:
        edits.push_back(inspect::LineBreakEdit(text));
        break;
    case inspect::QuickFix::UpperCase:
        edits = inspect::UpperCaseEdits(text);
        break;
    case inspect::QuickFix::AddProgramEnd:
        edits.push_back(inspect::ProgramEndEdit(text));
        break;
    default:
        return;
    }
    if (edits.empty()) return;
    // In pane positions, all made in one pass; a break put in is a CR LF, as one typed.
    std::vector<files::ProgramText::Change> changes;
    changes.reserve(edits.size());
    for (const inspect::TextEdit& e : edits)
        changes.push_back({t.ToPanePosition(static_cast<int64_t>(e.At)),
                           t.ToPanePosition(static_cast<int64_t>(e.At + e.Length)),
                           QString::fromStdU16String(e.Text)});
    t.ReplaceEach(changes);
}

} // namespace app
