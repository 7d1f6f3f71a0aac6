// The quick fixes of the problems list, applied to the program pane. Each is one step of the
// pane's undo, marks the text changed and never saves it.

#include "app/ProgramDocument.h"
#include "app/Widgets.h"
#include "files/ProgramText.h"
#include "inspect/QuickFix.h"

#include <QAbstractUndoItem>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace app {

namespace {

// A line's user state other than those of the file's endings: the line ends in CR LF, as a
// line the operator makes does.
constexpr int MadeLine = -1;

// The line ends the pane's lines remember, undone and redone with the edit they belong to.
class LineEndsStep final : public QAbstractUndoItem {
  public:
    explicit LineEndsStep(QTextDocument* doc) : Doc(doc) {
        for (QTextBlock b = Doc->firstBlock(); b.isValid(); b = b.next())
            Before.push_back(b.userState());
    }
    void undo() override {
        size_t k = 0;
        for (QTextBlock b = Doc->firstBlock(); b.isValid() && k < Before.size(); b = b.next())
            b.setUserState(Before[k++]);
    }
    void redo() override {
        for (QTextBlock b = Doc->firstBlock(); b.isValid(); b = b.next())
            b.setUserState(MadeLine);
    }

  private:
    QTextDocument* Doc;
    std::vector<int> Before;
};

// Every lone LF or CR becomes CR LF, as one step of the undo: each such break of the pane is
// replaced by a break the operator might have typed (a CR LF), and the lines' remembered ends go
// with it. `breaks` are the pane positions of those breaks.
void ConvertLineEnds(QTextDocument* doc, const std::vector<int>& breaks) {
    QTextCursor c(doc);
    c.beginEditBlock();
    auto* step = new LineEndsStep(doc);
    step->redo();
    doc->appendUndoItem(step);
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
        pane.push_back({Exact->ToPanePosition(static_cast<int64_t>(e.At)),
                        Exact->ToPanePosition(static_cast<int64_t>(e.At + e.Length)), t});
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
