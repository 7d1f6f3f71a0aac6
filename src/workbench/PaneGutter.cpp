// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/PaneGutter.h"

#include "editor/ProgramView.h"
#include "inspect/Tokens.h"
#include "workbench/Panels.h"

#include <QHelpEvent>
#include <QPainter>
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

PaneGutter::PaneGutter(editor::ProgramView* pane, std::function<void(int)> setMargin)
    : QWidget(pane), Pane(pane), SetMargin(std::move(setMargin)) {
    setObjectName(QStringLiteral("PaneGutter"));
    connect(pane, &editor::ProgramView::LinesMoved, this, [this] { Follow(); });
    pane->installEventFilter(this);
    SetColouring(true);
    show();
}

int PaneGutter::Width() const {
    // Room for seven digits whatever the program's length: the pane's text never moves sideways
    // as a program grows.
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
    update();
}

bool PaneGutter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Pane && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) Follow();
    return false;
}

template <class F> void PaneGutter::ForVisibleLines(F f) const {
    const int last = Pane->LastVisibleLine();
    for (int line = Pane->FirstVisibleLine(); line <= last; ++line)
        f(line, Pane->LineRect(line));
}

std::vector<std::pair<int, int64_t>> PaneGutter::VisibleNumbers() const {
    std::vector<std::pair<int, int64_t>> out;
    ForVisibleLines([&](int line, const QRect&) { out.emplace_back(line, LineOf(line)); });
    return out;
}

void PaneGutter::SetColouring(bool on) {
    Colouring = on;
    if (!on) {
        Pane->SetColourer(nullptr);
    } else {
        // The pane asks for the colours of a line when it comes on screen, and again only after
        // it changed: nothing passes over the whole program.
        Pane->SetColourer([](std::u16string_view line, bool& inComment) {
            QList<QTextLayout::FormatRange> ranges;
            for (const inspect::Token& t : inspect::TokensOf(line, inComment))
                ranges.append({static_cast<int>(t.Start), static_cast<int>(t.Length), FormatOf(t.What)});
            return ranges;
        });
    }
    Follow();
}

void PaneGutter::SetResult(BenchPtr result) {
    Result = std::move(result);
    update();
}

void PaneGutter::SetExecutingLine(int64_t line) {
    Executing = line;
    update();
}

QString PaneGutter::ProblemsOf(int64_t line) const {
    if (!Result) return {};
    const auto& ps = Result->Problems;
    auto it = std::lower_bound(ps.begin(), ps.end(), line,
                               [](const inspect::Problem& p, int64_t l) { return p.Line < l; });
    QStringList out;
    for (; it != ps.end() && it->Line == line; ++it)
        out << QStringLiteral("%1: %2").arg(QString::fromLatin1(inspect::KindName(inspect::KindOf(*it))),
                                            QString::fromStdString(it->Message));
    return out.join(QLatin1Char('\n'));
}

std::optional<inspect::Kind> PaneGutter::WorstOn(int64_t line) const {
    if (!Result) return std::nullopt;
    // The problems of a line come the most serious first.
    const auto& ps = Result->Problems;
    const auto it = std::lower_bound(ps.begin(), ps.end(), line,
                                     [](const inspect::Problem& p, int64_t l) { return p.Line < l; });
    if (it == ps.end() || it->Line != line) return std::nullopt;
    return inspect::KindOf(*it);
}

void PaneGutter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
    p.setPen(QColor(200, 200, 200));
    p.drawLine(width() - 1, 0, width() - 1, height());
    const int h = fontMetrics().height();
    const int top = Pane->viewport()->geometry().top() - Pane->contentsRect().top();
    ForVisibleLines([&](int paneLine, const QRect& r) {
        const int64_t line = LineOf(paneLine);
        const int y = r.top() + top;
        if (line == Executing) p.fillRect(0, y, width() - 1, h, QColor(255, 230, 150));
        if (const std::optional<inspect::Kind> worst = WorstOn(line)) {
            p.setBrush(KindColor(*worst));
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
        ForVisibleLines([&](int paneLine, const QRect& r) {
            if (h->pos().y() >= r.top() + top && h->pos().y() < r.bottom() + top + 1)
                tip = ProblemsOf(LineOf(paneLine));
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
