// SPDX-License-Identifier: GPL-3.0-or-later
// The program pane for screen readers: a multi-line editable text, read around the caret. The
// text is asked for by ranges and lines, never as a whole unless the reader asks for it whole, so
// a program of a million lines answers as quickly as a short one.
#include "editor/ProgramView.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

namespace editor {

namespace {

class Accessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit Accessible(ProgramView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return View()->Text().PaneText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.editable = !View()->ReadOnly();
        s.readOnly = View()->ReadOnly();
        s.selectableText = true;
        return s;
    }

    // --- The text ---
    QString text(int start, int end) const override { return View()->Text().PaneRange(start, end); }
    int characterCount() const override { return View()->Text().PaneLength(); }
    int cursorPosition() const override { return View()->Position(); }
    void setCursorPosition(int position) override {
        View()->SetCaret(position);
        View()->EnsureCaretVisible();
    }
    int selectionCount() const override { return View()->HasSelection() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !View()->HasSelection()) return;
        *start = View()->SelectionStart();
        *end = View()->SelectionEnd();
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) View()->SetCaret(View()->Position());
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0) View()->SetSelection(start, end);
    }
    QRect characterRect(int offset) const override {
        const ProgramView* v = View();
        const QRect at = v->CaretRect(offset), next = v->CaretRect(offset + 1);
        const int width = next.top() == at.top() ? std::max(1, next.left() - at.left()) : at.width();
        return QRect(v->viewport()->mapToGlobal(at.topLeft()), QSize(width, at.height()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        const ProgramView* v = View();
        const QPoint local = v->viewport()->mapFromGlobal(point);
        if (!v->viewport()->rect().contains(local)) return -1;
        return v->PositionAt(local);
    }
    void scrollToSubstring(int start, int end) override {
        View()->SetSelection(start, end);
        View()->EnsureCaretVisible();
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset;
        return {};
    }

    // Pieces of the text around an offset, found in its own line: only the line is read.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        return Piece(offset, type, 0, start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override {
        return Piece(offset, type, -1, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override {
        return Piece(offset, type, 1, start, end);
    }

  private:
    ProgramView* View() const { return static_cast<ProgramView*>(widget()); }

    // The piece of kind `type` at `offset`, or the one before (-1) or after (+1) it.
    QString Piece(int offset, QAccessible::TextBoundaryType type, int step, int* start, int* end) const {
        const files::ProgramText& t = View()->Text();
        *start = *end = -1;
        const int length = t.PaneLength();
        if (offset == -2) offset = View()->Position(); // the caret, as the interface asks
        if (offset < 0 || offset > length) return {};
        if (type == QAccessible::NoBoundary) {
            if (step != 0) return {};
            *start = 0, *end = length;
            return t.PaneText();
        }
        int line = t.LineAt(offset);
        if (type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary ||
            type == QAccessible::SentenceBoundary) {
            line += step;
            if (line < 0 || line >= t.LineCount()) return {};
            // A line with its break, as a text box gives it.
            *start = t.LineStart(line);
            *end = line + 1 < t.LineCount() ? t.LineStart(line + 1) : length;
            return t.PaneRange(*start, *end);
        }
        // Characters and words: within the line, by Unicode's rules.
        const std::u16string_view view = t.LineView(line);
        const QString text(reinterpret_cast<const QChar*>(view.data()), qsizetype(view.size()));
        const int lineStart = t.LineStart(line);
        QTextBoundaryFinder finder(type == QAccessible::CharBoundary ? QTextBoundaryFinder::Grapheme
                                                                     : QTextBoundaryFinder::Word,
                                   text);
        finder.setPosition(std::min<qsizetype>(offset - lineStart, text.size()));
        qsizetype from = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
        if (from < 0) from = 0;
        if (step < 0) {
            finder.setPosition(from);
            from = finder.toPreviousBoundary();
            if (from < 0) return {};
        } else if (step > 0) {
            finder.setPosition(from);
            from = finder.toNextBoundary();
            if (from < 0 || from >= text.size()) return {};
        }
        finder.setPosition(from);
        qsizetype to = finder.toNextBoundary();
        if (to < 0) to = text.size();
        *start = lineStart + int(from);
        *end = lineStart + int(to);
        return text.mid(from, to - from);
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<ProgramView*>(object)) return new Accessible(view);
    return nullptr;
}

} // namespace

void ProgramView::InstallAccessibility() {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
}

void ProgramView::TellAccessibility(int from, int removed, int added) {
    // A whole program put in (an open) is left for the reader to read again when it wants.
    constexpr int kToldAtMost = 100000;
    if (!QAccessible::isActive() || added > kToldAtMost) return;
    const QString inserted = Model.PaneRange(from, from + added);
    if (removed == 0 && added > 0) {
        QAccessibleTextInsertEvent e(this, from, inserted);
        QAccessible::updateAccessibility(&e);
    } else if (removed > 0) {
        // The text removed is gone by now; its length keeps the reader's offsets right.
        QAccessibleTextUpdateEvent e(this, from, QString(removed, QChar(u' ')), inserted);
        QAccessible::updateAccessibility(&e);
    }
}

void ProgramView::TellCaret(bool selectionChanged) {
    if (!QAccessible::isActive()) return;
    QAccessibleTextCursorEvent caret(this, Caret);
    QAccessible::updateAccessibility(&caret);
    if (selectionChanged) {
        QAccessibleTextSelectionEvent selection(this, SelectionStart(), SelectionEnd());
        selection.setCursorPosition(Caret);
        QAccessible::updateAccessibility(&selection);
    }
}

} // namespace editor
