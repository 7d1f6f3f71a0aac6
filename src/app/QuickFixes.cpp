// The quick fixes of the problems list, applied to the program pane. Each is one step of the
// pane's undo, marks the text changed and never saves it.

#include "app/ProgramDocument.h"
#include "app/Widgets.h"
#include "files/ProgramText.h"
#include "inspect/QuickFix.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace app {

namespace {

// Every lone LF or CR becomes CR LF, as one step of the undo: each such break of the pane is
// replaced by a break the operator might have typed (a CR LF, which carries no line-end mark).
// `breaks` are the pane positions of those breaks.
void ConvertLineEnds(QTextDocument* doc, const std::vector<int>& breaks) {
    QTextCursor c(doc);
    c.beginEditBlock();
    for (auto at = breaks.rbegin(); at != breaks.rend(); ++at) {
        c.setPosition(*at);
        c.setPosition(*at + 1, QTextCursor::KeepAnchor);
        c.insertText(QStringLiteral("\n"), QTextCharFormat()); // nothing of the old break's
    }
    c.endEditBlock();
}

} // namespace

void ProgramDocument::ApplyQuickFix(inspect::QuickFix fix) {
    CompleteFill();
    QTextDocument* doc = Program->document();
    const std::u16string& text = ExactText();
    if (fix == inspect::QuickFix::LineEndsCrLf) {
        std::vector<int> breaks;
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n')
                ++k;
            else if (text[k] == u'\r' || text[k] == u'\n')
                breaks.push_back(Exact->ToPanePosition(static_cast<int64_t>(k)));
        }
        if (breaks.empty()) return;
        // As the line-end notice's own command: the blocks change, so the lathe starts again.
        ResetAfterNewText([doc, &breaks] { ConvertLineEnds(doc, breaks); });
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
    for (const inspect::TextEdit& e : edits) {
        QString t = QString::fromStdU16String(e.Text);
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // the pane's line break
        const int from = Exact->ToPanePosition(static_cast<int64_t>(e.At));
        const int to = Exact->ToPanePosition(static_cast<int64_t>(e.At + e.Length));
        // NOTE: the hidden rest of a line too long to show has no pane position of its own; an
        // edit there is left out rather than landing on the line's mark.
        if (Exact->ToTextOffset(from) != int64_t(e.At) || Exact->ToTextOffset(to) != int64_t(e.At + e.Length))
            continue;
        pane.push_back({from, to, t});
    }
    QTextCursor c(doc);
    c.beginEditBlock();
    for (auto e = pane.rbegin(); e != pane.rend(); ++e) { // from the end: the earlier stay valid
        c.setPosition(e->From);
        c.setPosition(e->To, QTextCursor::KeepAnchor);
        c.insertText(e->Text, QTextCharFormat()); // a break put in is a CR LF, as one typed
    }
    c.endEditBlock();
}

} // namespace app
