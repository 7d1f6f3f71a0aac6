// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program pane: a plain text box over the program text (files::ProgramText). It keeps no
// copy of the text: it lays out only the lines on screen, when they come on screen, so a
// program of a million lines costs the pane no more than one of a hundred. Typing, caret,
// selection, insert and overwrite, undo, the clipboard and the input method are a plain text
// box's own; positions are pane positions (one per line break).
//
// Characters a text box would take for structure (U+2028, U+2029, U+FDD0, U+FDD1) are shown as
// a marked glyph of one character each. A line too long to lay out at once (a program may hold
// one of megabytes) is laid out in pieces, only those on screen.

#include "files/ProgramText.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QList>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>

class QFontMetricsF;
class QMimeData;

namespace editor {

class ProgramView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit ProgramView(files::ProgramText& text, QWidget* parent = nullptr);
    ~ProgramView() override;
    files::ProgramText& Text() const { return Model; }

    // --- Caret and selection (pane positions) ---
    int Position() const { return Caret; }
    int Anchor() const { return AnchorAt; }
    int SelectionStart() const { return std::min(Caret, AnchorAt); }
    int SelectionEnd() const { return std::max(Caret, AnchorAt); }
    bool HasSelection() const { return Caret != AnchorAt; }
    // Both clamped to the text. Does not scroll.
    void SetSelection(int anchor, int position);
    void SetCaret(int position) { SetSelection(position, position); }
    void SelectAll();
    // The selected text as the clipboard gets it: one LF per line break.
    QString SelectedText() const;
    // Scrolls as little as needed to show the caret.
    void EnsureCaretVisible();

    // --- Editing as the operator does it (nothing when read-only) ---
    // Replaces the selection by `text` (a paste): each CR LF, LF or CR a line break.
    void InsertText(const QString& text);
    void Undo();
    void Redo();
    void Cut();
    void Copy() const;
    void Paste();
    bool Overwrite() const { return OverwriteOn; }
    void SetOverwrite(bool on);
    bool ReadOnly() const { return ReadOnlyOn; }
    void SetReadOnly(bool on);

    // --- Colours and geometry, for the gutter ---
    // Gives the colours of a line on screen; `inComment` comes in as the line before left it
    // (false for the first line on screen) and goes out as this line leaves it. Asked again
    // only after the line changed, or after RecolourAll.
    using Colourer =
        std::function<QList<QTextLayout::FormatRange>(std::u16string_view line, bool& inComment)>;
    void SetColourer(Colourer colourer);
    void RecolourAll();
    // Lines coloured so far (tests: only what was on screen).
    int ColouredCount() const { return Coloured; }
    int FirstVisibleLine() const;
    int LastVisibleLine() const; // may be the first when the pane is small
    int LineHeight() const;
    // The line's band in the viewport's coordinates (its top may be above 0).
    QRect LineRect(int line) const;
    // The pane position under a point of the viewport.
    int PositionAt(const QPoint& viewportPoint) const;
    // Where the caret of a position is drawn, in the viewport's coordinates.
    QRect CaretRect(int position) const;
    void SetLeftMargin(int px) { setViewportMargins(px, 0, 0, 0); }
    // Tests: the most characters one layout has held since the view was made.
    int LargestLayout() const;

  signals:
    void CursorPositionChanged();
    void SelectionChanged();
    // The lines on screen moved (a scroll, a resize, a font change, an edit above them).
    void LinesMoved();
    void OverwriteToggled(bool on);

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The clipboard's forms of the selection and back; the exact characters both ways.
    virtual QMimeData* MimeFromSelection() const;
    virtual void InsertFromMime(const QMimeData* source);

  private:
    struct Private;
    struct Line;
    // --- Layout (ProgramView.cpp) ---
    // The cached line, its colours given as the line above on screen leaves them.
    Line& LineOf(int line);
    QTextLayout& PieceLayout(int line, int piece);
    int PieceOf(const Line& entry, int column) const;
    qreal PieceX(int line, int piece);
    qreal Advance(const QFontMetricsF& metrics, char16_t c);
    // The x of a column in its line (from the line's start, unscrolled) and back.
    qreal XOf(int line, int column);
    int ColumnAt(int line, qreal x);
    int FullyVisibleLines() const;
    int TextX() const; // the viewport x of the lines' start
    void UpdateScrollBars();
    void DropLayouts();
    void OnChanged(int from, int removed, int added);
    void PaintLine(QPainter& painter, int line, const QRect& band);
    // --- Input (ProgramViewInput.cpp) ---
    // Sets caret and anchor, keeping the Up/Down column only when `vertical`.
    void MoveTo(int anchor, int position, bool vertical = false);
    void ReplaceSelection(const QString& with, files::ProgramText::Typing typing);
    void CaretAfterStep(int at); // at an undo's or redo's position, when there was one
    bool HandleMove(QKeyEvent* event);
    bool HandleEdit(QKeyEvent* event);
    int WordLeft(int position) const;
    int WordRight(int position) const;
    int NextChar(int position) const;
    int PreviousChar(int position) const;
    void OfferSelection() const;
    void RestartBlink();
    void DragTo(const QPoint& viewportPoint);
    // The word at a position (or the one character there when it is none): [from, to).
    std::pair<int, int> WordAt(int position) const;

    // --- Screen readers (ProgramViewAccessible.cpp) ---
    static void InstallAccessibility();
    void TellAccessibility(int from, int removed, int added);
    void TellCaret(bool selectionChanged);

    std::unique_ptr<Private> D;
    files::ProgramText& Model;
    int Caret = 0, AnchorAt = 0;
    bool OverwriteOn = false, ReadOnlyOn = false;
    int Coloured = 0;
};

} // namespace editor
