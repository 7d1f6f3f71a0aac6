// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PanelBar.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <numeric>

namespace app {

StatusPanel::StatusPanel(const QString& key, QWidget* parent) : QLabel(parent), Key(key) {
    setObjectName(key.isEmpty() ? QStringLiteral("Panel") : key);
    setLineWidth(1);
    setMargin(1);
    setIndent(4);
    setTextFormat(Qt::PlainText);
    SetInset(true);
}

void StatusPanel::SetInset(bool inset) {
    IsInset = inset;
    setFrameStyle(QFrame::Panel | (inset ? QFrame::Sunken : QFrame::Raised));
}

void StatusPanel::SetDimmed(bool dimmed) {
    if (dimmed == IsDimmed) return;
    IsDimmed = dimmed;
    update();
}

std::vector<int> FitPanelWidths(const std::vector<int>& natural, const std::vector<int>& least,
                                int available) {
    std::vector<int> widths = natural;
    const long total = std::accumulate(natural.begin(), natural.end(), 0L);
    if (total <= available || natural.empty()) return widths;
    const auto width = [&](size_t i, long level) {
        return std::min<long>(natural[i], std::max<long>(level, i < least.size() ? least[i] : 0));
    };
    const auto sum = [&](long level) {
        long s = 0;
        for (size_t i = 0; i < natural.size(); ++i)
            s += width(i, level);
        return s;
    };
    // The common width L of the narrowed panels: the largest at which they fit (sum is rising in L).
    long low = 0, high = *std::max_element(natural.begin(), natural.end());
    while (low < high) {
        const long mid = (low + high + 1) / 2;
        if (sum(mid) <= available)
            low = mid;
        else
            high = mid - 1;
    }
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = static_cast<int>(width(i, low));
    return widths;
}

std::vector<int> FitPanelWidths(const std::vector<int>& natural, int available, int least) {
    return FitPanelWidths(natural, std::vector<int>(natural.size(), least), available);
}

namespace {

int TextRoom(const StatusPanel& p) {
    return std::max(0, p.contentsRect().width() - 2 * p.margin() - p.indent());
}

} // namespace

int StatusPanel::LeastWidth(const QString& text) const {
    QFont f = font();
    if (!ShrinkToFit || f.pointSizeF() <= 0) return 16;
    f.setPointSizeF(std::min(f.pointSizeF(), ShrinkLeast));
    // The text in the smallest face, with the frame, margins and indent round it.
    return QFontMetrics(f).horizontalAdvance(text) + 2 * frameWidth() + 2 * margin() + indent() + 1;
}

QFont StatusPanel::ShownFont() const {
    QFont f = font();
    if (!ShrinkToFit || f.pointSizeF() <= 0) return f;
    const int room = TextRoom(*this);
    // By the rule that cuts the text (ShownText), so that a text that just fits is never cut.
    while (QFontMetrics(f).elidedText(text(), Qt::ElideRight, room) != text() &&
           f.pointSizeF() - 0.5 >= ShrinkLeast)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    return f;
}

QString StatusPanel::ShownText() const {
    return QFontMetrics(ShownFont()).elidedText(text(), Qt::ElideRight, TextRoom(*this));
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawFrame(&p);
    const QString shown = ShownText();
    const QString tip = shown == text() ? OwnToolTip : text();
    if (toolTip() != tip) setToolTip(tip);
    QRect r = contentsRect().adjusted(margin() + indent(), margin(), -margin(), -margin());
    p.setFont(ShownFont());
    p.setPen(palette().color(isEnabled() && !IsDimmed ? QPalette::Active : QPalette::Disabled,
                             QPalette::WindowText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void StatusPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Clicked) Clicked(this);
    QLabel::mousePressEvent(event);
}

void StatusPanel::ClickAsOperator() {
    const QPointF at(width() / 2.0, height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    QCoreApplication::sendEvent(this, &release);
}

PanelBar::PanelBar(QWidget* parent) : QFrame(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
}

StatusPanel* PanelBar::AddPanel(const QString& key, const QString& text, const QString& toolTip, bool inset,
                                int width, bool stretch) {
    auto* p = new StatusPanel(key, this);
    p->setText(text);
    p->setToolTip(toolTip);
    p->OwnToolTip = toolTip;
    p->NaturalWidth = width;
    p->Stretch = stretch;
    p->SetInset(inset);
    if (stretch)
        p->setMinimumWidth(width);
    else
        p->setFixedWidth(width);
    p->Clicked = [this](StatusPanel* clicked) {
        if (PanelClick) PanelClick(clicked->Key);
    };
    static_cast<QHBoxLayout*>(layout())->addWidget(p, stretch ? 1 : 0);
    Panels.append(p);
    return p;
}

StatusPanel* PanelBar::PanelByKey(const QString& key) const {
    for (StatusPanel* p : Panels)
        if (p->Key == key) return p;
    return nullptr;
}

void PanelBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitPanels();
}

void PanelBar::FitPanels() {
    const QMargins m = layout()->contentsMargins();
    int available = width() - m.left() - m.right() - layout()->spacing() * std::max(0, Count() - 1);
    std::vector<int> natural, least;
    std::vector<StatusPanel*> fixed;
    for (StatusPanel* p : Panels) {
        if (p->isHidden()) continue;
        if (p->Stretch) {
            available -= p->NaturalWidth;
            continue;
        }
        natural.push_back(p->NaturalWidth);
        least.push_back(std::max(16, p->LeastWidth(p->text())));
        fixed.push_back(p);
    }
    const std::vector<int> widths = FitPanelWidths(natural, least, available);
    for (size_t i = 0; i < fixed.size(); ++i)
        if (fixed[i]->width() != widths[i] || fixed[i]->minimumWidth() != widths[i])
            fixed[i]->setFixedWidth(widths[i]);
}

} // namespace app
