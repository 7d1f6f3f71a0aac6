// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/PathPointer.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace workbench {

PathPointer::PathPointer(QWidget* canvas, PathOverlay* overlay)
    : QObject(canvas), Canvas(canvas), Overlay(overlay) {
    canvas->setMouseTracking(true);
    canvas->installEventFilter(this);
}

QPointF PathPointer::ToViewport(QPointF canvasPos) const {
    QWidget* viewport = Overlay->parentWidget();
    return QPointF(Canvas->mapTo(viewport, QPoint(0, 0))) + canvasPos;
}

std::optional<inspect::Hit> PathPointer::BlockAt(QPointF px) const {
    const BenchPtr& r = Overlay->Result();
    const std::optional<inspect::ViewMap> view = Overlay->CurrentMap();
    if (!r || !view) return std::nullopt;
    return r->Paths.HitTest(*view, {px.x(), px.y()}, PickPixels);
}

QString PathPointer::TipAt(QPointF px) const {
    const std::optional<inspect::Hit> hit = BlockAt(px);
    if (!hit) return {};
    if (!Text) return QStringLiteral("Line %1").arg(hit->Line);
    const std::u16string_view text = Overlay->Result()->LineText(Text(), hit->Line);
    return QStringLiteral("Line %1: %2")
        .arg(hit->Line)
        .arg(QString::fromUtf16(text.data(), static_cast<qsizetype>(std::min<size_t>(text.size(), 200))));
}

void PathPointer::ClickAt(QPointF px) {
    if (!Measuring()) {
        if (const std::optional<inspect::Hit> hit = BlockAt(px)) emit LineClicked(hit->Line);
        return;
    }
    const BenchPtr& r = Overlay->Result();
    const std::optional<inspect::ViewMap> view = Overlay->CurrentMap();
    if (!view) return;
    const auto [xSnap, zSnap] = GridSnap ? GridSnap() : std::pair<bool, bool>{false, false};
    static const inspect::PathIndex none;
    inspect::SnapPoint at =
        inspect::SnapAt(r ? r->Paths : none, *view, {px.x(), px.y()}, SnapPixels, xSnap, zSnap);
    // The part's edges count as soon as they are shown.
    if (r && r->Section && Overlay->StockShown())
        at = inspect::SnapToPart(*r->Section, *view, {px.x(), px.y()}, SnapPixels, at);
    Overlay->Measure().Click(at);
    Overlay->update();
    if (Overlay->Measure().Result()) emit Measured(MeasureText());
}

void PathPointer::SetMeasuring(bool on) {
    if (on == Measuring()) return;
    Overlay->SetMeasuring(on);
    Canvas->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    if (on) Canvas->setFocus();
    emit MeasuringChanged(on);
}

QString PathPointer::MeasureText() const {
    const std::optional<inspect::Measurement> m = Overlay->Measure().Result();
    return m ? QString::fromStdString(inspect::MeasurementText(*m)) : QString();
}

void PathPointer::CopyMeasure() const {
    const QString text = MeasureText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

bool PathPointer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Canvas) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        if (!Measuring()) return false;
        auto* k = static_cast<QKeyEvent*>(event);
        const bool esc = k->key() == Qt::Key_Escape, copy = k->matches(QKeySequence::Copy);
        if (!esc && !copy) return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // the key is the measure's, not a menu command's
            return true;
        }
        if (esc)
            SetMeasuring(false);
        else
            CopyMeasure();
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() != Qt::LeftButton) return false;
        if (Measuring()) {
            ClickAt(ToViewport(m->position()));
            return true;
        }
        Pressed = true;
        PressedAt = m->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (Measuring()) return m->button() == Qt::LeftButton;
        const bool click = Pressed && m->button() == Qt::LeftButton &&
                           (m->position().toPoint() - PressedAt).manhattanLength() <= 3;
        Pressed = false;
        if (click && !(CanvasBusy && CanvasBusy())) ClickAt(ToViewport(m->position()));
        return false;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (Measuring()) return m->buttons() & Qt::LeftButton; // no drag while measuring
        return false;
    }
    case QEvent::ToolTip: {
        auto* h = static_cast<QHelpEvent*>(event);
        const QString tip = TipAt(ToViewport(h->pos()));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), tip, Canvas);
        return true;
    }
    default:
        return false;
    }
}

} // namespace workbench
