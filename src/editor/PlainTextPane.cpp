#include "editor/PlainTextPane.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace editor {

namespace {

// Highest cursor position of the pane (the document's characterCount counts a final separator).
int EndPosition(const QPlainTextEdit* pane) {
    return std::max(0, pane->document()->characterCount() - 1);
}

} // namespace

QString PlainTextPane::Text() const {
    return Pane->toPlainText();
}

int PlainTextPane::SelStart() const {
    return Pane->textCursor().selectionStart();
}

void PlainTextPane::Select(int start, int length) {
    const int end = EndPosition(Pane);
    const int from = std::clamp(start, 0, end);
    QTextCursor cursor(Pane->document());
    cursor.setPosition(from);
    cursor.setPosition(std::clamp(from + length, from, end), QTextCursor::KeepAnchor);
    Pane->setTextCursor(cursor);
    Pane->ensureCursorVisible();
}

void PlainTextPane::ReplaceRange(int start, int length, const QString& with) {
    const int end = EndPosition(Pane);
    const int from = std::clamp(start, 0, end);
    QTextCursor cursor(Pane->document());
    cursor.setPosition(from);
    cursor.setPosition(std::clamp(from + length, from, end), QTextCursor::KeepAnchor);
    cursor.insertText(with);
    Pane->setTextCursor(cursor);
}

void PlainTextPane::ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) {
    if (edits.empty()) return;
    QTextCursor cursor(Pane->document());
    cursor.beginEditBlock(); // one undo step for the whole command
    // From the last match backwards, so the positions of the earlier ones stay valid.
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        cursor.setPosition(it->Start);
        cursor.setPosition(it->Start + it->Length, QTextCursor::KeepAnchor);
        cursor.insertText(with);
    }
    cursor.endEditBlock();
    const int grow = int(with.size()) - edits.back().Length;
    cursor.setPosition(edits.back().Start + int(edits.size() - 1) * grow + int(with.size()));
    Pane->setTextCursor(cursor);
    Pane->ensureCursorVisible();
}

} // namespace editor
