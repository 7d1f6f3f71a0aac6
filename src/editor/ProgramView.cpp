// SPDX-License-Identifier: GPL-3.0-or-later
// The program pane's lines on screen: their layouts, colours, geometry and painting, and the
// caret and selection kept in step with the program text.
#include "editor/ProgramView.h"
#include "editor/ProgramViewPrivate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace editor {

namespace {

// The most characters laid out at once: a longer line is laid out in pieces of this many.
constexpr int kPieceLength = 4096;
// The gap between the pane's edge and its text, as a text box leaves one.
constexpr int kMargin = 4;
// Lines kept laid out, those on screen and others, before the cache starts afresh.
constexpr size_t kMaxCachedLines = 256;
// NoWrap: a line as wide as it wants.
constexpr qreal kNoWrapWidth = 1.0e7;

char16_t Glyph(char16_t c) {
    switch (c) {
    case 0x2029:
        return 0x00B6; // pilcrow
    case 0x2028:
        return 0x21B5; // downwards arrow with corner leftwards
    default:
        return 0xFFFD; // the frame marks: a replacement character
    }
}

// The characters as shown: a glyph for each one a layout would take for structure.
QString Shown(std::u16string_view text) {
    QString shown(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
    for (QChar& c : shown)
        if (ShownAsGlyph(c.unicode())) c = QChar(Glyph(c.unicode()));
    return shown;
}

QTextCharFormat MarkedGlyph() {
    QTextCharFormat f;
    f.setBackground(QColor(0xD8, 0xD8, 0xD8));
    f.setForeground(QColor(0x80, 0x00, 0x80));
    return f;
}

// The part of `ranges` inside [from, to), moved to start at 0.
void AddClipped(QList<QTextLayout::FormatRange>& into, const QList<QTextLayout::FormatRange>& ranges,
                int from, int to) {
    for (const auto& r : ranges) {
        const int start = std::max(r.start, from), end = std::min(r.start + r.length, to);
        if (start < end) into.append({start - from, end - start, r.format});
    }
}

} // namespace

ProgramView::ProgramView(files::ProgramText& text, QWidget* parent)
    : QAbstractScrollArea(parent), D(std::make_unique<Private>()), Model(text) {
    InstallAccessibility();
    // A scroll bar that came and went would change the width of the text for nothing.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(1);
    connect(&Model, &files::ProgramText::Changed, this, &ProgramView::OnChanged);
    UpdateScrollBars();
}

ProgramView::~ProgramView() = default;

int ProgramView::LargestLayout() const {
    return D->LargestLayout;
}

// --- Caret and selection ---

void ProgramView::SetSelection(int anchor, int position) {
    MoveTo(anchor, position);
}

void ProgramView::SelectAll() {
    MoveTo(0, Model.PaneLength());
    OfferSelection();
}

QString ProgramView::SelectedText() const {
    return Model.PaneRange(SelectionStart(), SelectionEnd());
}

void ProgramView::EnsureCaretVisible() {
    const int line = Model.LineAt(Caret);
    QScrollBar* v = verticalScrollBar();
    if (line < v->value())
        v->setValue(line);
    else if (line >= v->value() + FullyVisibleLines())
        v->setValue(line - FullyVisibleLines() + 1);

    // Horizontally with a little room beside the caret, as a text box keeps.
    QScrollBar* h = horizontalScrollBar();
    const qreal x = XOf(line, Caret - Model.LineStart(line));
    const int room = int(QFontMetricsF(font()).averageCharWidth() * 4);
    const int width = viewport()->width() - 2 * kMargin;
    if (x < h->value())
        h->setValue(std::max(0, int(x) - room));
    else if (x + 2 > h->value() + width) {
        const int wanted = int(std::ceil(x)) + 2 + room - width;
        if (wanted > h->maximum()) h->setMaximum(wanted); // the estimate of the longest line fell short
        h->setValue(wanted);
    }
}

// --- Colours and geometry ---

void ProgramView::SetColourer(Colourer colourer) {
    D->Colour = std::move(colourer);
    RecolourAll();
}

void ProgramView::RecolourAll() {
    DropLayouts();
    viewport()->update();
}

int ProgramView::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

int ProgramView::LastVisibleLine() const {
    const int shown = std::max(1, (viewport()->height() - kMargin + LineHeight() - 1) / LineHeight());
    return std::min(Model.LineCount() - 1, FirstVisibleLine() + shown - 1);
}

int ProgramView::LineHeight() const {
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

QRect ProgramView::LineRect(int line) const {
    return QRect(0, kMargin + (line - FirstVisibleLine()) * LineHeight(), viewport()->width(), LineHeight());
}

int ProgramView::PositionAt(const QPoint& viewportPoint) const {
    auto* self = const_cast<ProgramView*>(this); // layouts are a cache
    const int y = viewportPoint.y() - kMargin;
    const int row = y < 0 ? -1 - (-y - 1) / LineHeight() : y / LineHeight();
    const int line = std::clamp(FirstVisibleLine() + row, 0, Model.LineCount() - 1);
    return Model.LineStart(line) + self->ColumnAt(line, viewportPoint.x() - TextX());
}

QRect ProgramView::CaretRect(int position) const {
    auto* self = const_cast<ProgramView*>(this);
    position = std::clamp(position, 0, Model.PaneLength());
    const int line = Model.LineAt(position);
    const int column = position - Model.LineStart(line);
    const int x = TextX() + int(std::floor(self->XOf(line, column)));
    int width = 1;
    if (OverwriteOn && column < Model.LineLength(line)) // a block over the character typing replaces
        width = std::max(1, int(std::ceil(self->XOf(line, column + 1))) + TextX() - x);
    return QRect(x, LineRect(line).top(), width, LineHeight());
}

int ProgramView::FullyVisibleLines() const {
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

int ProgramView::TextX() const {
    return kMargin - horizontalScrollBar()->value();
}

// --- Layout ---

ProgramView::Line& ProgramView::LineOf(int line) {
    // The comment state comes down from the line above only when that one is on screen too.
    bool inComment = false;
    if (D->Colour && line > FirstVisibleLine() && line <= LastVisibleLine()) {
        const auto above = D->Lines.find(line - 1);
        inComment = above != D->Lines.end() && above->second.Chain == D->Chain ? above->second.CommentOut
                                                                               : LineOf(line - 1).CommentOut;
    }

    auto found = D->Lines.find(line);
    if (found == D->Lines.end()) {
        found = D->Lines.emplace(line, Line()).first;
        Line& entry = found->second;
        // Pieces end before a low surrogate, so no pair is split.
        const std::u16string_view text = Model.LineView(line);
        const int length = int(text.size());
        entry.Starts.push_back(0);
        for (int at = kPieceLength; at < length; at += kPieceLength) {
            if (QChar::isLowSurrogate(text[size_t(at)])) --at;
            entry.Starts.push_back(at);
        }
        entry.Starts.push_back(length);
        entry.Layouts.resize(entry.Starts.size() - 1);
    }
    Line& entry = found->second;
    entry.Chain = D->Chain;
    if (D->Colour && (!entry.Coloured || entry.CommentIn != inComment)) {
        bool state = inComment;
        // A line of megabytes is coloured in its first piece only: its hundreds of thousands of
        // words would be coloured again at every key typed in it.
        entry.Colours = D->Colour(Model.LineView(line).substr(0, kPieceLength), state);
        entry.Coloured = true;
        entry.CommentIn = inComment;
        entry.CommentOut = state;
        for (auto& layout : entry.Layouts)
            layout.reset();
        ++Coloured;
    }
    return entry;
}

QTextLayout& ProgramView::PieceLayout(int line, int piece) {
    Line& entry = LineOf(line);
    std::unique_ptr<QTextLayout>& slot = entry.Layouts[size_t(piece)];
    if (slot) return *slot;

    const int from = entry.Starts[size_t(piece)], to = entry.Starts[size_t(piece) + 1];
    const std::u16string_view text = Model.LineView(line).substr(size_t(from), size_t(to - from));
    slot = std::make_unique<QTextLayout>(Shown(text), font(), viewport());
    D->LargestLayout = std::max(D->LargestLayout, to - from);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);

    QList<QTextLayout::FormatRange> formats;
    AddClipped(formats, entry.Colours, from, to);
    static const QTextCharFormat glyph = MarkedGlyph();
    for (int i = 0; i < int(text.size()); ++i)
        if (ShownAsGlyph(text[size_t(i)])) formats.append({i, 1, glyph});

    // The input method's text being composed sits at the caret, inside the layout's text: the
    // formats behind it move along.
    const int caret = Caret - Model.LineStart(line);
    if (!D->Preedit.isEmpty() && Model.LineAt(Caret) == line && caret >= from && caret <= to &&
        (caret < to || piece + 1 == int(entry.Layouts.size()))) {
        const int at = caret - from, length = int(D->Preedit.size());
        for (auto& r : formats) {
            if (r.start >= at)
                r.start += length;
            else if (r.start + r.length > at)
                r.length += length;
        }
        slot->setPreeditArea(at, D->Preedit);
        for (const auto& r : D->PreeditFormats)
            formats.append({r.start + at, r.length, r.format});
    }
    slot->setFormats(formats);

    slot->beginLayout();
    QTextLine textLine = slot->createLine();
    if (textLine.isValid()) {
        textLine.setLineWidth(kNoWrapWidth);
        textLine.setPosition(QPointF(0, 0));
    }
    slot->endLayout();
    return *slot;
}

int ProgramView::PieceOf(const Line& entry, int column) const {
    // The piece holding the column; its end only in the last piece.
    const auto it = std::upper_bound(entry.Starts.begin(), entry.Starts.end() - 1, column);
    return std::clamp(int(it - entry.Starts.begin()) - 1, 0, int(entry.Layouts.size()) - 1);
}

qreal ProgramView::Advance(const QFontMetricsF& metrics, char16_t c) {
    if (D->AdvanceFont != font()) {
        D->Advances.clear();
        D->AdvanceFont = font();
    }
    auto [it, fresh] = D->Advances.try_emplace(c, 0.0);
    if (fresh) it->second = metrics.horizontalAdvance(QChar(c));
    return it->second;
}

qreal ProgramView::PieceX(int line, int piece) {
    if (piece == 0) return 0;
    Line& entry = LineOf(line);
    if (entry.X.empty()) {
        // The widths of the pieces, added up from the widths of their characters (kept per
        // character): measured as text, a line of megabytes took a quarter of a second at each
        // key typed in it. A piece with a tab or a surrogate pair is measured as text.
        const QFontMetricsF metrics(font());
        const std::u16string_view text = Model.LineView(line);
        entry.X.push_back(0);
        for (size_t i = 0; i + 1 < entry.Layouts.size(); ++i) {
            const std::u16string_view piece =
                text.substr(size_t(entry.Starts[i]), size_t(entry.Starts[i + 1] - entry.Starts[i]));
            qreal width = 0;
            bool measured = true;
            for (const char16_t c : piece) {
                if (c == u'\t' || QChar::isSurrogate(c)) {
                    measured = false;
                    break;
                }
                width += Advance(metrics, ShownAsGlyph(c) ? Glyph(c) : c);
            }
            if (!measured) width = metrics.horizontalAdvance(Shown(piece));
            entry.X.push_back(entry.X.back() + width);
        }
    }
    return entry.X[size_t(piece)];
}

qreal ProgramView::XOf(int line, int column) {
    const Line& entry = LineOf(line);
    const int piece = PieceOf(entry, column);
    const int start = entry.Starts[size_t(piece)];
    const QTextLayout& layout = PieceLayout(line, piece);
    int at = column - start;
    if (column == Caret - Model.LineStart(line) && !D->Preedit.isEmpty()) at += D->PreeditCursor;
    return PieceX(line, piece) + layout.lineAt(0).cursorToX(at);
}

int ProgramView::ColumnAt(int line, qreal x) {
    Line& entry = LineOf(line);
    int piece = 0;
    if (entry.Layouts.size() > 1) {
        PieceX(line, 1);
        const auto it = std::upper_bound(entry.X.begin(), entry.X.end(), x);
        piece = std::max(0, int(it - entry.X.begin()) - 1);
    }
    const int start = entry.Starts[size_t(piece)];
    const QTextLine textLine = PieceLayout(line, piece).lineAt(0);
    const int column = start + textLine.xToCursor(x - PieceX(line, piece));
    return std::clamp(column, 0, Model.LineLength(line));
}

void ProgramView::DropLayouts() {
    D->Lines.clear();
}

void ProgramView::UpdateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    const int page = FullyVisibleLines();
    v->setPageStep(page);
    v->setRange(0, std::max(0, Model.LineCount() - page));

    // The longest line by the font's average width: exact enough, and nothing laid out.
    QScrollBar* h = horizontalScrollBar();
    const qreal average = QFontMetricsF(font()).averageCharWidth();
    const int width = viewport()->width() - 2 * kMargin;
    h->setPageStep(std::max(1, width));
    h->setSingleStep(std::max(1, int(average * 2)));
    h->setRange(0, std::max(0, int(std::ceil(Model.LongestLine() * average)) + 2 - width));
}

void ProgramView::OnChanged(int from, int removed, int added) {
    // The lines above the change are as they were, where they were: their layouts and colours
    // stay (text coming in at the end colours nothing on screen again).
    const int first = Model.LineAt(from);
    std::erase_if(D->Lines, [first](const auto& entry) { return entry.first >= first; });
    // Positions behind the change move with the text; one inside what was replaced stays where
    // it was as far as the new text reaches (a change of the line ends moves nothing).
    auto moved = [&](int p) {
        return p <= from ? p : p >= from + removed ? p + added - removed : std::min(p, from + added);
    };
    const int caret = Caret, anchor = AnchorAt;
    const bool hadSelection = HasSelection();
    Caret = std::clamp(moved(Caret), 0, Model.PaneLength());
    AnchorAt = std::clamp(moved(AnchorAt), 0, Model.PaneLength());
    UpdateScrollBars();
    viewport()->update();
    emit LinesMoved();
    TellAccessibility(from, removed, added);
    const bool selectionMoved = (hadSelection || HasSelection()) && (Caret != caret || AnchorAt != anchor);
    if (Caret != caret || selectionMoved) TellCaret(selectionMoved);
    if (Caret != caret) emit CursorPositionChanged();
    if (selectionMoved) emit SelectionChanged();
}

// --- Painting ---

void ProgramView::paintEvent(QPaintEvent* event) {
    // Lines that scrolled away are dropped here, where no caller holds one of them.
    if (D->Lines.size() > kMaxCachedLines) DropLayouts();
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().base());
    const int last = LastVisibleLine();
    qreal widest = 0;
    for (int line = FirstVisibleLine(); line <= last; ++line) {
        const QRect band = LineRect(line);
        if (band.intersects(event->rect())) PaintLine(painter, line, band);
        const Line& entry = LineOf(line);
        if (entry.Layouts.size() == 1 && entry.Layouts[0])
            widest = std::max(widest, entry.Layouts[0]->lineAt(0).naturalTextWidth());
    }
    // The longest line's length by the average width falls short of a line of wide characters
    // once one is on screen.
    QScrollBar* h = horizontalScrollBar();
    const int needed = int(std::ceil(widest)) + 2 - (viewport()->width() - 2 * kMargin);
    if (needed > h->maximum()) h->setMaximum(needed);
}

void ProgramView::PaintLine(QPainter& painter, int line, const QRect& band) {
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const int lineStart = Model.LineStart(line), length = Model.LineLength(line);
    const int selFrom = std::clamp(SelectionStart() - lineStart, 0, length + 1);
    const int selTo = std::clamp(SelectionEnd() - lineStart, 0, length + 1);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));

    Line& entry = LineOf(line);
    const int textX = TextX();
    const int left = -textX, right = left + viewport()->width();
    painter.setPen(palette().color(group, QPalette::Text));
    for (int piece = 0; piece < int(entry.Layouts.size()); ++piece) {
        const qreal x = PieceX(line, piece);
        if (x > right) break;
        if (piece + 1 < int(entry.Layouts.size()) && PieceX(line, piece + 1) < left) continue;
        const int from = entry.Starts[size_t(piece)], to = entry.Starts[size_t(piece) + 1];
        QTextLayout& layout = PieceLayout(line, piece);
        QList<QTextLayout::FormatRange> selection;
        if (selFrom < selTo && selFrom < to && selTo > from)
            selection.append(
                {std::max(selFrom, from) - from, std::min(selTo, to) - std::max(selFrom, from), selected});
        layout.draw(&painter, QPointF(textX + x, band.top()), selection);
    }
    // A selected line break shows as a space's width behind the line.
    if (selFrom <= length && selTo > length) {
        const qreal end = XOf(line, length);
        const qreal space = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
        painter.fillRect(QRectF(textX + end, band.top(), space, band.height()),
                         palette().brush(group, QPalette::Highlight));
    }

    if (D->CaretShown && hasFocus() && Model.LineAt(Caret) == line) {
        const int column = Caret - lineStart;
        const int piece = PieceOf(entry, column);
        QTextLayout& layout = PieceLayout(line, piece);
        int at = column - entry.Starts[size_t(piece)];
        if (!D->Preedit.isEmpty()) at += D->PreeditCursor;
        const int width = CaretRect(Caret).width();
        layout.drawCursor(&painter, QPointF(textX + PieceX(line, piece), band.top()), at, width);
    }
}

void ProgramView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ++D->Chain; // more lines on screen may carry a comment down
    UpdateScrollBars();
    emit LinesMoved();
}

void ProgramView::scrollContentsBy(int, int dy) {
    if (dy != 0) ++D->Chain;
    viewport()->update();
    emit LinesMoved();
}

void ProgramView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        DropLayouts();
        UpdateScrollBars();
        viewport()->update();
        emit LinesMoved();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ActivationChange) {
        viewport()->update();
    }
}

} // namespace editor
