// SPDX-License-Identifier: GPL-3.0-or-later
// The program pane's input: keys, mouse, input method, the clipboard and drops, each an edit of
// the program text or a move of the caret.
#include "editor/ProgramView.h"
#include "editor/ProgramViewPrivate.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace editor {

namespace {

using Typing = files::ProgramText::Typing;

// The most characters of the caret's line handed to the input method on either side.
constexpr int kSurrounding = 1000;

enum class CharClass { Space, Word, Other };

CharClass ClassOf(char16_t c) {
    const QChar q(c);
    if (q.isSpace()) return CharClass::Space;
    if (q.isLetterOrNumber() || c == u'_' || QChar::isSurrogate(c)) return CharClass::Word;
    return CharClass::Other;
}

// Keys the pane takes before the window's shortcuts: typing, moving and editing keys with no
// modifier but Shift.
bool TakesOverride(const QKeyEvent* key) {
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) return false;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Insert:
        return true;
    default:
        return !key->text().isEmpty() && key->text().at(0).isPrint();
    }
}

} // namespace

// --- Caret moves ---

void ProgramView::MoveTo(int anchor, int position, bool vertical) {
    const int length = Model.PaneLength();
    anchor = std::clamp(anchor, 0, length);
    position = std::clamp(position, 0, length);
    if (!vertical) D->GoalX = -1;
    const bool hadSelection = HasSelection();
    const int oldCaret = Caret, oldAnchor = AnchorAt;
    Caret = position;
    AnchorAt = anchor;
    if (Caret == oldCaret && AnchorAt == oldAnchor) return;
    RestartBlink();
    viewport()->update();
    TellCaret(hadSelection || HasSelection());
    // The input method's window follows the caret.
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (Caret != oldCaret) emit CursorPositionChanged();
    if (hadSelection || HasSelection()) emit SelectionChanged();
}

int ProgramView::NextChar(int position) const {
    if (position >= Model.PaneLength()) return position;
    const int line = Model.LineAt(position);
    const std::u16string_view text = Model.LineView(line);
    const size_t column = size_t(position - Model.LineStart(line));
    if (column >= text.size()) return position + 1; // over the line break
    const bool pair = QChar::isHighSurrogate(text[column]) && column + 1 < text.size() &&
                      QChar::isLowSurrogate(text[column + 1]);
    return position + (pair ? 2 : 1);
}

int ProgramView::PreviousChar(int position) const {
    if (position <= 0) return 0;
    const int line = Model.LineAt(position);
    const std::u16string_view text = Model.LineView(line);
    const size_t column = size_t(position - Model.LineStart(line));
    if (column == 0) return position - 1; // back over the line break
    const bool pair =
        column >= 2 && QChar::isLowSurrogate(text[column - 1]) && QChar::isHighSurrogate(text[column - 2]);
    return position - (pair ? 2 : 1);
}

// The start of the next word, or the next line's start from a line's end.
int ProgramView::WordRight(int position) const {
    const int line = Model.LineAt(position);
    const std::u16string_view text = Model.LineView(line);
    size_t at = size_t(position - Model.LineStart(line));
    if (at >= text.size()) return NextChar(position);
    const CharClass first = ClassOf(text[at]);
    if (first != CharClass::Space)
        while (at < text.size() && ClassOf(text[at]) == first)
            ++at;
    while (at < text.size() && ClassOf(text[at]) == CharClass::Space)
        ++at;
    return Model.LineStart(line) + int(at);
}

// The start of this or the previous word, or the previous line's end from a line's start.
int ProgramView::WordLeft(int position) const {
    const int line = Model.LineAt(position);
    const std::u16string_view text = Model.LineView(line);
    size_t at = size_t(position - Model.LineStart(line));
    if (at == 0) return PreviousChar(position);
    while (at > 0 && ClassOf(text[at - 1]) == CharClass::Space)
        --at;
    if (at > 0) {
        const CharClass kind = ClassOf(text[at - 1]);
        while (at > 0 && ClassOf(text[at - 1]) == kind)
            --at;
    }
    return Model.LineStart(line) + int(at);
}

bool ProgramView::HandleMove(QKeyEvent* event) {
    using K = QKeySequence;
    int target = -1;
    bool vertical = false;
    bool extend = false;
    const int line = Model.LineAt(Caret);
    // Up and Down keep the x of the first of them; a page moves the text as far as the caret.
    auto toLine = [&](int wanted) {
        if (D->GoalX < 0) D->GoalX = XOf(line, Caret - Model.LineStart(line));
        vertical = true;
        if (wanted < 0) return 0;
        if (wanted >= Model.LineCount()) return Model.PaneLength();
        return Model.LineStart(wanted) + ColumnAt(wanted, D->GoalX);
    };
    const int page = FullyVisibleLines();
    auto matches = [&](K::StandardKey plain, K::StandardKey extended) {
        if (event->matches(plain)) return true;
        if (event->matches(extended)) return extend = true;
        return false;
    };
    // Left or Right on a selection goes to its end on that side.
    if (matches(K::MoveToNextChar, K::SelectNextChar))
        target = HasSelection() && !extend ? SelectionEnd() : NextChar(Caret);
    else if (matches(K::MoveToPreviousChar, K::SelectPreviousChar))
        target = HasSelection() && !extend ? SelectionStart() : PreviousChar(Caret);
    else if (matches(K::MoveToNextWord, K::SelectNextWord))
        target = WordRight(Caret);
    else if (matches(K::MoveToPreviousWord, K::SelectPreviousWord))
        target = WordLeft(Caret);
    else if (matches(K::MoveToNextLine, K::SelectNextLine))
        target = toLine(line + 1);
    else if (matches(K::MoveToPreviousLine, K::SelectPreviousLine))
        target = toLine(line - 1);
    else if (matches(K::MoveToNextPage, K::SelectNextPage)) {
        target = toLine(std::min(line + page, Model.LineCount() - 1));
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
    } else if (matches(K::MoveToPreviousPage, K::SelectPreviousPage)) {
        target = toLine(std::max(line - page, 0));
        verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
    } else if (matches(K::MoveToStartOfLine, K::SelectStartOfLine) ||
               matches(K::MoveToStartOfBlock, K::SelectStartOfBlock))
        target = Model.LineStart(line);
    else if (matches(K::MoveToEndOfLine, K::SelectEndOfLine) ||
             matches(K::MoveToEndOfBlock, K::SelectEndOfBlock))
        target = Model.LineStart(line) + Model.LineLength(line);
    else if (matches(K::MoveToStartOfDocument, K::SelectStartOfDocument))
        target = 0;
    else if (matches(K::MoveToEndOfDocument, K::SelectEndOfDocument))
        target = Model.PaneLength();
    else if (event->matches(K::SelectAll)) {
        SelectAll();
        return true;
    } else
        return false;

    // A plain move out of a selection ends it.
    MoveTo(extend ? AnchorAt : target, target, vertical);
    if (extend) OfferSelection();
    EnsureCaretVisible();
    return true;
}

// --- Edits ---

void ProgramView::ReplaceSelection(const QString& with, Typing typing) {
    const int end = Model.Replace(SelectionStart(), SelectionEnd(), with, typing);
    MoveTo(end, end);
    EnsureCaretVisible();
}

void ProgramView::InsertText(const QString& text) {
    if (ReadOnlyOn) return;
    ReplaceSelection(text, Typing::No);
}

void ProgramView::Undo() {
    if (!ReadOnlyOn) CaretAfterStep(Model.Undo());
}

void ProgramView::Redo() {
    if (!ReadOnlyOn) CaretAfterStep(Model.Redo());
}

void ProgramView::CaretAfterStep(int at) {
    if (at < 0) return; // nothing was undone or redone
    MoveTo(at, at);
    EnsureCaretVisible();
}

void ProgramView::Cut() {
    if (ReadOnlyOn || !HasSelection()) return;
    Copy();
    ReplaceSelection(QString(), Typing::No);
}

void ProgramView::Copy() const {
    if (HasSelection()) QGuiApplication::clipboard()->setMimeData(MimeFromSelection());
}

void ProgramView::Paste() {
    if (!ReadOnlyOn) InsertFromMime(QGuiApplication::clipboard()->mimeData());
}

void ProgramView::SetOverwrite(bool on) {
    if (OverwriteOn == on) return;
    OverwriteOn = on;
    viewport()->update();
    emit OverwriteToggled(on);
}

void ProgramView::SetReadOnly(bool on) {
    ReadOnlyOn = on;
    setAttribute(Qt::WA_InputMethodEnabled, !on);
}

QMimeData* ProgramView::MimeFromSelection() const {
    auto* data = new QMimeData;
    data->setText(SelectedText());
    return data;
}

void ProgramView::InsertFromMime(const QMimeData* source) {
    if (ReadOnlyOn || !source || !source->hasText()) return;
    InsertText(source->text());
}

void ProgramView::OfferSelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(MimeFromSelection(), QClipboard::Selection);
}

bool ProgramView::HandleEdit(QKeyEvent* event) {
    using K = QKeySequence;
    if (event->matches(K::Copy)) {
        Copy();
        return true;
    }
    if (ReadOnlyOn) return false;
    if (event->matches(K::Cut))
        Cut();
    else if (event->matches(K::Paste))
        Paste();
    else if (event->matches(K::Undo))
        Undo();
    else if (event->matches(K::Redo))
        Redo();
    else if (event->matches(K::InsertParagraphSeparator) || event->matches(K::InsertLineSeparator))
        ReplaceSelection(QStringLiteral("\n"), Typing::No);
    else if (event->matches(K::DeleteStartOfWord)) {
        if (!HasSelection()) MoveTo(Caret, WordLeft(Caret));
        ReplaceSelection(QString(), Typing::No);
    } else if (event->matches(K::DeleteEndOfWord)) {
        if (!HasSelection()) MoveTo(Caret, WordRight(Caret));
        ReplaceSelection(QString(), Typing::No);
    } else if (event->matches(K::Delete)) {
        if (!HasSelection()) MoveTo(Caret, NextChar(Caret));
        ReplaceSelection(QString(), Typing::DeleteForward);
    } else if (event->matches(K::Backspace) ||
               (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier))) {
        if (!HasSelection()) MoveTo(Caret, PreviousChar(Caret));
        ReplaceSelection(QString(), Typing::DeleteBack);
    } else if (event->key() == Qt::Key_Tab && !(event->modifiers() & ~Qt::KeypadModifier))
        ReplaceSelection(QStringLiteral("\t"), Typing::Insert);
    else if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier)
        SetOverwrite(!OverwriteOn);
    else {
        const QString text = event->text();
        if (text.isEmpty() || !text.at(0).isPrint() ||
            (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        // Overwriting takes the characters of the line, never its break.
        if (OverwriteOn && !HasSelection()) {
            const int line = Model.LineAt(Caret);
            if (Caret < Model.LineStart(line) + Model.LineLength(line)) MoveTo(Caret, NextChar(Caret));
        }
        ReplaceSelection(text, Typing::Insert);
    }
    return true;
}

bool ProgramView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && TakesOverride(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    // A tab is typed, not a move of the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool ProgramView::viewportEvent(QEvent* event) {
    // A separator or frame mark shown as a glyph names the character of the file behind it.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int at = PositionAt(help->pos());
        const int line = Model.LineAt(at);
        const std::u16string_view text = Model.LineView(line);
        const size_t column = size_t(at - Model.LineStart(line));
        // The character under the mouse: the one at the nearest caret position or the one before.
        QString tip;
        const qreal x = help->pos().x() - TextX();
        for (const size_t c : {column, column - 1})
            if (c < text.size() && ShownAsGlyph(text[c]) && XOf(line, int(c)) <= x &&
                x < XOf(line, int(c) + 1))
                tip = QStringLiteral("U+%1").arg(int(text[c]), 4, 16, QChar(u'0')).toUpper();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void ProgramView::keyPressEvent(QKeyEvent* event) {
    if (HandleMove(event) || HandleEdit(event))
        event->accept();
    else
        event->ignore();
}

// --- Input method ---

void ProgramView::inputMethodEvent(QInputMethodEvent* event) {
    if (ReadOnlyOn) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        if (event->replacementLength() > 0 && !HasSelection()) {
            const int from = Caret + event->replacementStart();
            MoveTo(from, from + event->replacementLength());
        }
        ReplaceSelection(event->commitString(), Typing::Insert);
    }
    D->Preedit = event->preeditString();
    D->PreeditCursor = int(D->Preedit.size());
    D->PreeditFormats.clear();
    for (const auto& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            D->PreeditCursor = a.start;
        else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat f = a.value.value<QTextFormat>().toCharFormat();
            if (f.isValid()) D->PreeditFormats.append({a.start, a.length, f});
        }
    }
    D->Lines.erase(Model.LineAt(Caret));
    viewport()->update();
    event->accept();
}

QVariant ProgramView::inputMethodQuery(Qt::InputMethodQuery query) const {
    // The caret's line, or a stretch of it around the caret when the line is long.
    const int line = Model.LineAt(Caret);
    const int lineStart = Model.LineStart(line), lineEnd = lineStart + Model.LineLength(line);
    const int start = std::max(lineStart, std::min(Caret, AnchorAt) - kSurrounding);
    const int end = std::min(lineEnd, std::max(Caret, AnchorAt) + kSurrounding);
    switch (query) {
    case Qt::ImEnabled:
        return !ReadOnlyOn;
    case Qt::ImCursorRectangle:
        return CaretRect(Caret).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImSurroundingText:
        return Model.PaneRange(start, end);
    case Qt::ImCursorPosition:
        return Caret - start;
    case Qt::ImAnchorPosition:
        return std::clamp(AnchorAt - start, 0, end - start);
    case Qt::ImCurrentSelection: // the part of the selection in that stretch
        return Model.PaneRange(std::max(SelectionStart(), start), std::min(SelectionEnd(), end));
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// --- Mouse and drops ---

void ProgramView::DragTo(const QPoint& viewportPoint) {
    const int at = PositionAt(viewportPoint);
    if (!D->ByWords) {
        MoveTo(AnchorAt, at);
    } else if (at < D->WordFrom) {
        MoveTo(D->WordTo, WordAt(at).first);
    } else {
        MoveTo(D->WordFrom, std::max(D->WordTo, WordAt(at).second));
    }
    EnsureCaretVisible();
}

std::pair<int, int> ProgramView::WordAt(int position) const {
    const int line = Model.LineAt(position);
    const std::u16string_view text = Model.LineView(line);
    const int start = Model.LineStart(line);
    size_t from = size_t(position - start), to = from;
    const auto word = [&](size_t i) { return ClassOf(text[i]) == CharClass::Word; };
    while (from > 0 && word(from - 1))
        --from;
    while (to < text.size() && word(to))
        ++to;
    if (from == to && to < text.size()) ++to;
    return {start + int(from), start + int(to)};
}

void ProgramView::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const int at = PositionAt(point);
        MoveTo(event->modifiers() & Qt::ShiftModifier ? AnchorAt : at, at);
        D->Selecting = true;
        D->ByWords = false;
        D->MousePoint = point;
        event->accept();
    } else if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (ReadOnlyOn || !clipboard->supportsSelection()) return;
        const int at = PositionAt(point);
        MoveTo(at, at);
        InsertFromMime(clipboard->mimeData(QClipboard::Selection));
        event->accept();
    }
}

void ProgramView::mouseMoveEvent(QMouseEvent* event) {
    if (!D->Selecting || !(event->buttons() & Qt::LeftButton)) return;
    D->MousePoint = event->position().toPoint();
    // Outside the text the selection goes on by a timer, as the text scrolls under the mouse.
    if (viewport()->rect().contains(D->MousePoint))
        D->AutoScroll.stop();
    else if (!D->AutoScroll.isActive())
        D->AutoScroll.start(50, this);
    DragTo(D->MousePoint);
}

void ProgramView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    D->Selecting = false;
    D->ByWords = false;
    D->AutoScroll.stop();
    OfferSelection();
}

void ProgramView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The word under the mouse, or the one character when it is none; a drag goes on by words.
    const auto [from, to] = WordAt(PositionAt(event->position().toPoint()));
    MoveTo(from, to);
    D->Selecting = true;
    D->ByWords = true;
    D->WordFrom = from;
    D->WordTo = to;
    OfferSelection();
}

void ProgramView::dragEnterEvent(QDragEnterEvent* event) {
    if (ReadOnlyOn || !event->mimeData()->hasText()) return event->ignore();
    event->acceptProposedAction();
}

void ProgramView::dragMoveEvent(QDragMoveEvent* event) {
    if (ReadOnlyOn || !event->mimeData()->hasText()) return event->ignore();
    event->acceptProposedAction();
}

void ProgramView::dropEvent(QDropEvent* event) {
    if (ReadOnlyOn || !event->mimeData()->hasText()) return event->ignore();
    const int at = PositionAt(event->position().toPoint());
    MoveTo(at, at);
    InsertFromMime(event->mimeData());
    event->acceptProposedAction();
    setFocus();
}

// --- Focus and timers ---

void ProgramView::RestartBlink() {
    D->CaretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        D->Blink.start(flash / 2, this);
    else
        D->Blink.stop();
}

void ProgramView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void ProgramView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    D->Blink.stop();
    viewport()->update();
}

void ProgramView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == D->Blink.timerId()) {
        D->CaretShown = !D->CaretShown;
        viewport()->update(CaretRect(Caret).adjusted(-1, 0, 1, 0));
    } else if (event->timerId() == D->AutoScroll.timerId()) {
        DragTo(D->MousePoint);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

} // namespace editor
