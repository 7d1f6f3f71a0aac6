#include "workbench/PaneGutter.h"

#include "inspect/Tokens.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>

namespace workbench {

namespace {

QTextCharFormat Coloured(const QColor& c, bool bold = false) {
    QTextCharFormat f;
    f.setForeground(c);
    if (bold) f.setFontWeight(QFont::Bold);
    return f;
}

const QTextCharFormat& FormatOf(inspect::Token::Kind k) {
    static const QTextCharFormat address = Coloured(QColor(0, 60, 170)),
                                 number = Coloured(QColor(150, 60, 0)), word = Coloured(QColor(120, 0, 140)),
                                 comment = Coloured(QColor(0, 120, 0)), slash = Coloured(QColor(200, 0, 0));
    switch (k) {
    case inspect::Token::Kind::Address:
        return address;
    case inspect::Token::Kind::Number:
        return number;
    case inspect::Token::Kind::Word:
        return word;
    case inspect::Token::Kind::Comment:
        return comment;
    case inspect::Token::Kind::Slash:
        return slash;
    }
    return address;
}

} // namespace

PaneGutter::PaneGutter(QPlainTextEdit* pane, std::function<void(int)> setMargin)
    : QWidget(pane), Pane(pane), SetMargin(std::move(setMargin)) {
    setObjectName(QStringLiteral("PaneGutter"));
    connect(pane, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int) { Follow(); });
    connect(pane, &QPlainTextEdit::blockCountChanged, this, [this](int) { Follow(); });
    pane->installEventFilter(this);
    Follow();
    show();
}

int PaneGutter::Width() const {
    // Room for seven digits whatever the program's length: a change of the pane's text width
    // would lay out every line of a long program again.
    return fontMetrics().horizontalAdvance(QLatin1Char('9')) * 7 + 16;
}

void PaneGutter::Follow() {
    const int w = Width();
    if (w != LastWidth) {
        LastWidth = w;
        if (SetMargin) SetMargin(w);
    }
    const QRect r = Pane->contentsRect();
    setGeometry(r.left(), r.top(), w, r.height());
    if (Colouring) ColourVisible();
    update();
}

bool PaneGutter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Pane && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) Follow();
    return false;
}

template <class F> void PaneGutter::ForVisibleBlocks(F f) const {
    const int bottom = Pane->viewport()->height();
    QTextBlock block = Pane->cursorForPosition(QPoint(0, 0)).block();
    for (; block.isValid(); block = block.next()) {
        if (!block.isVisible()) continue;
        const QRect r = Pane->cursorRect(QTextCursor(block));
        if (r.top() > bottom) break;
        f(block, r);
    }
}

std::vector<std::pair<int, int64_t>> PaneGutter::VisibleNumbers() const {
    std::vector<std::pair<int, int64_t>> out;
    ForVisibleBlocks([&](const QTextBlock& b, const QRect&) {
        out.emplace_back(b.blockNumber(), LineOf(b.blockNumber()));
    });
    return out;
}

void PaneGutter::ColourVisible() {
    // Taking formats lays the block out again, which asks for an update of the pane, which
    // comes back here: the lines on screen are gathered first, and coloured once.
    if (InColouring) return;
    const QScopedValueRollback<bool> once(InColouring, true);
    std::vector<QTextBlock> shown;
    ForVisibleBlocks([&](const QTextBlock& b, const QRect&) { shown.push_back(b); });
    bool inComment = false;
    int previous = -2;
    for (QTextBlock b : shown) {
        // Remembered by revision: a block is coloured again only after an edit.
        if (b.blockNumber() != previous + 1) inComment = false;
        previous = b.blockNumber();
        if (b.userState() == b.revision() && b.layout() && !b.layout()->formats().isEmpty()) {
            inComment = b.text().lastIndexOf(QLatin1Char('(')) > b.text().lastIndexOf(QLatin1Char(')'));
            continue;
        }
        const QString text = b.text();
        const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()),
                                       static_cast<size_t>(text.size()));
        QList<QTextLayout::FormatRange> ranges;
        for (const inspect::Token& t : inspect::TokensOf(line, inComment))
            ranges.append({static_cast<int>(t.Start), static_cast<int>(t.Length), FormatOf(t.What)});
        QTextLayout* layout = b.layout();
        if (layout && ranges.isEmpty() && layout->formats().isEmpty()) {
            // A line without words (an empty line, "%") has nothing to colour. Setting no formats
            // would still be taken as a change of its layout, and inside an edit of the pane it
            // would widen that edit's relayout from this line to the edit's end.
            b.setUserState(b.revision());
            continue;
        }
        if (layout) {
            // The formats are no edit: the document's signals are held while it takes them, so
            // that nothing that follows the text (its exact copy, the changed mark, the undo)
            // sees a change, and the edit block ends the change at once instead of leaving it
            // to be merged into the next real one.
            QTextDocument* doc = Pane->document();
            const QSignalBlocker quiet(doc);
            QTextCursor edit(doc);
            edit.beginEditBlock();
            layout->setFormats(ranges);
            edit.endEditBlock();
            b.setUserState(b.revision());
            ++ColouredCount;
        }
    }
}

void PaneGutter::SetResult(BenchPtr result) {
    Result = std::move(result);
    update();
}

void PaneGutter::SetExecutingLine(int64_t line) {
    Executing = line;
    update();
}

void PaneGutter::SetColouring(bool on) {
    Colouring = on;
    Follow();
}

QString PaneGutter::ProblemsOf(int64_t line) const {
    if (!Result) return {};
    const auto& ps = Result->Problems;
    auto it = std::lower_bound(ps.begin(), ps.end(), line,
                               [](const inspect::Problem& p, int64_t l) { return p.Line < l; });
    QStringList out;
    for (; it != ps.end() && it->Line == line; ++it)
        out << QStringLiteral("%1: %2").arg(QString::fromLatin1(inspect::SeverityName(it->Level)),
                                            QString::fromStdString(it->Message));
    return out.join(QLatin1Char('\n'));
}

void PaneGutter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
    p.setPen(QColor(200, 200, 200));
    p.drawLine(width() - 1, 0, width() - 1, height());
    const int h = fontMetrics().height();
    const int top = Pane->viewport()->geometry().top() - Pane->contentsRect().top();
    ForVisibleBlocks([&](const QTextBlock& b, const QRect& r) {
        const int64_t line = LineOf(b.blockNumber());
        const int y = r.top() + top;
        if (line == Executing) p.fillRect(0, y, width() - 1, h, QColor(255, 230, 150));
        const QString problems = ProblemsOf(line);
        if (!problems.isEmpty()) {
            const bool warning = problems.startsWith(QLatin1String("warning"));
            p.setBrush(warning ? QColor(230, 160, 0) : QColor(210, 0, 0));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(3, y + h / 2.0 - 4, 8, 8));
        }
        p.setPen(QColor(110, 110, 110));
        p.drawText(QRect(12, y, width() - 16, h), Qt::AlignRight | Qt::AlignVCenter, QString::number(line));
    });
}

bool PaneGutter::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* h = static_cast<QHelpEvent*>(e);
        const int top = Pane->viewport()->geometry().top() - Pane->contentsRect().top();
        QString tip;
        ForVisibleBlocks([&](const QTextBlock& b, const QRect& r) {
            if (h->pos().y() >= r.top() + top && h->pos().y() < r.bottom() + top + 1)
                tip = ProblemsOf(LineOf(b.blockNumber()));
        });
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(e);
}

} // namespace workbench
