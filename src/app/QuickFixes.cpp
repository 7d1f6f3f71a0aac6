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
        std::vector<int> breaks;
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n')
                ++k;
            else if (text[k] == u'\r' || text[k] == u'\n')
                breaks.push_back(t.ToPanePosition(static_cast<int64_t>(k)));
        }
        if (breaks.empty()) return;
        // As the line-end notice's own command: the blocks change, so the lathe starts again.
        ResetAfterNewText([&t, &breaks] {
            t.BeginStep();
            for (auto at = breaks.rbegin(); at != breaks.rend(); ++at)
                t.Replace(*at, *at + 1, QStringLiteral("\n"));
            t.EndStep();
        });
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
    // Pane positions first: the text's own index is good until the first edit.
    struct PaneEdit {
        int From, To;
        QString Text;
    };
    std::vector<PaneEdit> pane;
    pane.reserve(edits.size());
    for (const inspect::TextEdit& e : edits)
        pane.push_back({t.ToPanePosition(static_cast<int64_t>(e.At)),
                        t.ToPanePosition(static_cast<int64_t>(e.At + e.Length)),
                        QString::fromStdU16String(e.Text)});
    t.BeginStep();
    for (auto e = pane.rbegin(); e != pane.rend(); ++e) // from the end: the earlier stay valid
        t.Replace(e->From, e->To, e->Text);             // a break put in is a CR LF, as one typed
    t.EndStep();
}

} // namespace app
