// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ColumnSplitter.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace app {

ColumnSplitter::ColumnSplitter(QWidget* parent) : QWidget(parent) {
    setObjectName("ColumnSplitter");
    setCursor(Qt::SplitHCursor);
    setToolTip(QStringLiteral("Drag to widen the program"));
}

void ColumnSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Pressed = true;
    PressedAt = qRound(event->position().x());
}

void ColumnSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (!Pressed) return;
    // The handle follows the pointer, so the pointer keeps the place on it where it was pressed.
    const int dx = qRound(event->position().x()) - PressedAt;
    if (dx != 0 && Dragged) Dragged(dx);
}

void ColumnSplitter::mouseReleaseEvent(QMouseEvent*) {
    Pressed = false;
}

void ColumnSplitter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOption o;
    o.initFrom(this);
    o.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &o, &p, this);
}

void ColumnSplitter::DragAsOperator(int dx) {
    const QPointF at(width() / 2.0, height() / 2.0);
    const QPointF to = at + QPointF(dx, 0);
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    QCoreApplication::sendEvent(this, &move);
    QCoreApplication::sendEvent(this, &release);
}

} // namespace app
