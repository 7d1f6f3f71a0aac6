// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Widgets.h"

#include "render/ImageCanvas.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace app {

CanvasWidget::CanvasWidget(render::ImageCanvas& source, const QString& name, QWidget* parent)
    : QWidget(parent), Source(source) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& image = Source.Image();
    // The picture may hold more pixels than the window's (a screen scaled twice): the part under
    // the event's rectangle is taken at the picture's own resolution.
    if (image.deviceIndependentSize().toSize() == size()) {
        const QRectF r = event->rect();
        const double ratio = image.devicePixelRatio();
        p.drawImage(r, image, QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
        return;
    }
    p.fillRect(event->rect(), Qt::black);
    p.drawImage(rect(), image);
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    event->accept();
}

ProgramPane::ProgramPane(files::ProgramText& text, QWidget* parent) : editor::ProgramView(text, parent) {
    setObjectName("Program");
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

bool ProgramPane::event(QEvent* e) {
    // The pane would claim Ctrl+Z, Ctrl+C ... as its own; here the window's commands win, and
    // the Edit commands act on the pane themselves.
    if (e->type() == QEvent::ShortcutOverride && IsWindowShortcut) {
        auto* key = static_cast<QKeyEvent*>(e);
        const QKeySequence seq(key->modifiers() | key->key());
        if (IsWindowShortcut(seq)) {
            e->ignore();
            return true;
        }
    }
    return editor::ProgramView::event(e);
}

} // namespace app
