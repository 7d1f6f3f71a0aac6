#pragma once
// The program pane as the search sees it: a QPlainTextEdit, searched in the text it shows and
// edited through ordinary cursor edits, so that undo and the window's own change tracking see
// a replacement exactly like typing.

#include "editor/Search.h"

#include <utility>
#include <vector>

class QPlainTextEdit;
class QTextBlock;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

namespace editor {

// The pane's document takes a few characters for its own structure: it breaks the line at a
// paragraph or line separator (U+2029, U+2028) and reads U+FDD0/U+FDD1 as frame marks. A program
// may hold them all the same, so the pane shows each as a marked glyph of one character (the
// positions still agree one to one) whose format remembers the character of the file.
bool TakenByThePane(char16_t c);
char16_t PaneGlyph(char16_t original);
QTextCharFormat GlyphFormat(char16_t original);
// The file's characters behind the glyphs of `doc`: (document position, character), ascending.
// `raw` is the document's raw text from position `from` on.
std::vector<std::pair<int, char16_t>> OriginalsBehindGlyphs(const QTextDocument& doc, const QString& raw,
                                                            int from = 0);
// The pane's text as the operator reads it, with the file's characters in place of the glyphs and
// one LF per line break; position for position the pane's own.
QString PaneText(const QTextDocument& doc);
// A line break of the pane stands for the line end the file had there. The break's own format
// remembers a lone LF or CR; a break without it is a CR LF, as every break the operator types is.
// The document keeps the formats of its breaks through edits, undo and redo, so a line end
// outlives whatever is done around it. (A block's user state would not: the pane's colours use
// it, and undo does not restore it.)
enum class LineEnd { CrLf, Lf, Cr };
QTextCharFormat LineEndFormat(LineEnd end);
// The end of the pane line `line`, which is not the last (a line break's format is the next
// line's block character format). Remembers what each format means: a million lines are read
// at the cost of a lookup each.
struct LineEndReader {
    LineEnd Of(const QTextBlock& line);
    std::vector<signed char> ByFormat; // per format index of the document: -1 not looked at yet
};
// A line too long to lay out at each keystroke (a program may hold one of megabytes) is shown
// cut, its rest behind one mark at the cut; the mark's format holds the rest's number in the
// program text's keeping. The rest is no less part of the program: deleting the mark deletes it.
constexpr char16_t kElisionMark = 0x2026; // horizontal ellipsis
QTextCharFormat ElisionFormat(int rest);
// The marks of `doc` and the numbers of their rests: (document position, rest), ascending. `raw`
// is the document's raw text from position `from` on.
std::vector<std::pair<int, int>> ElisionsIn(const QTextDocument& doc, const QString& raw, int from = 0);
// The rests belong to the pane's document (until it is cleared), so that whatever reads the
// pane's text finds them: the program text, and the clipboard when a mark is copied or cut.
void KeepRest(QTextDocument& doc, int rest, const QString& text);
QString RestOf(const QTextDocument& doc, int rest);
// Text typed next to a glyph, a mark or at a line break is plain text: it never takes over their
// formats nor the file's line end (a break typed on an empty line ends in CR LF).
void KeepTypingPlain(QPlainTextEdit* pane);
// The selected text with the file's characters behind the glyphs and the rests behind the marks,
// one LF per line break: what Copy and Cut put on the clipboard.
QString SelectedPaneText(const QTextCursor& cursor);
// Inserts text at the cursor as plain text, each character the pane would take for structure as
// its glyph: what Paste does, so that a copied separator stays one.
void InsertPaneText(QTextCursor& cursor, const QString& text);

class PlainTextPane final : public SearchPane {
  public:
    explicit PlainTextPane(QPlainTextEdit* pane) : Pane(pane) {}
    QString Text() const override;
    int SelStart() const override;
    void Select(int start, int length) override;
    void ReplaceRange(int start, int length, const QString& with) override;
    void ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) override;

  private:
    QPlainTextEdit* Pane;
};

} // namespace editor
