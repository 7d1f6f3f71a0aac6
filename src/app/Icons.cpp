// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {

namespace {

// Palette: outline, the run colours of an operator panel, paper and accents.
const QColor Ink(0x30, 0x36, 0x3d);
const QColor Green(0x2e, 0x9d, 0x48);
const QColor Red(0xd0, 0x3a, 0x2f);
const QColor Amber(0xe8, 0xa3, 0x17);
const QColor Blue(0x2f, 0x6f, 0xc4);
const QColor Paper(0xfb, 0xfb, 0xf7);
const QColor Folder(0xf2, 0xc2, 0x4f);

QPen Outline(const QColor& c = Ink, double w = 1.6) {
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

void Sheet(QPainter& p, QRectF r) {
    p.setPen(Outline());
    p.setBrush(Paper);
    p.drawRect(r);
}

void Letter(QPainter& p, QRectF r, const QString& text, const QColor& c, int px, bool bold = true) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& fill) {
    p.setPen(Outline());
    p.setBrush(fill);
    p.drawPolygon(QPolygonF({a, b, c}));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(Outline(c, 2));
    p.drawLine(from, to);
    const QLineF l(to, from);
    QLineF h1 = l, h2 = l;
    h1.setAngle(l.angle() + 30), h1.setLength(5);
    h2.setAngle(l.angle() - 30), h2.setLength(5);
    p.drawLine(h1);
    p.drawLine(h2);
}

void Magnifier(QPainter& p, const QString& sign) {
    p.setPen(Outline(Ink, 2));
    p.setBrush(QColor(0xe4, 0xef, 0xfb));
    p.drawEllipse(QPointF(8.5, 8.5), 5.5, 5.5);
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    Letter(p, QRectF(3, 3, 11, 11), sign, Ink, 10);
}

void Lathe(QPainter& p, bool upper) {
    // A chuck on the left and a cutting tool above or below the axis.
    p.setPen(Outline());
    p.setBrush(QColor(0xb8, 0xc0, 0xc8));
    p.drawRect(QRectF(2, 5, 4, 10));
    p.setPen(Outline(Ink, 1));
    p.drawLine(QPointF(6, 10), QPointF(18, 10));
    const double y = upper ? 3 : 17, tip = upper ? 8 : 12;
    Triangle(p, QPointF(11, y), QPointF(16, y), QPointF(13.5, tip), Amber);
}

void Scissors(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6, 15), 2.6, 2.6);
    p.drawEllipse(QPointF(14, 15), 2.6, 2.6);
    p.drawLine(QPointF(7.5, 12.8), QPointF(14, 3));
    p.drawLine(QPointF(12.5, 12.8), QPointF(6, 3));
}

void Printer(QPainter& p) {
    Sheet(p, QRectF(6, 2, 8, 6));
    p.setPen(Outline());
    p.setBrush(QColor(0xb8, 0xc0, 0xc8));
    p.drawRoundedRect(QRectF(2, 7, 16, 8), 1.5, 1.5);
    Sheet(p, QRectF(6, 12, 8, 6));
}

void Calculator(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(0x55, 0x5d, 0x66));
    p.drawRoundedRect(QRectF(4, 2, 12, 16), 1.5, 1.5);
    p.setBrush(QColor(0xcf, 0xe8, 0xc9));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(6, 4, 8, 3.5));
    p.setBrush(Paper);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.drawRect(QRectF(6 + c * 3, 9 + r * 3, 2, 2));
}

} // namespace

namespace icons {

void Open(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Folder);
    p.drawPolygon(QPolygonF(
        {QPointF(2, 5), QPointF(8, 5), QPointF(9.5, 7), QPointF(18, 7), QPointF(18, 16), QPointF(2, 16)}));
}

void Start(QPainter& p) {
    Triangle(p, QPointF(5, 3), QPointF(5, 17), QPointF(17, 10), Green);
}

void Stop(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Amber);
    p.drawRect(QRectF(4, 3, 4.5, 14));
    p.drawRect(QRectF(11.5, 3, 4.5, 14));
}

void Reset(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Red);
    p.drawRoundedRect(QRectF(3.5, 3.5, 13, 13), 2, 2);
}

void Restart(QPainter& p) {
    p.setPen(Outline(Green, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 3, 14, 14), 100 * 16, 280 * 16);
    Triangle(p, QPointF(8, 0.5), QPointF(8, 7.5), QPointF(13, 4), Green);
}

void SingleBlock(QPainter& p) {
    Triangle(p, QPointF(3, 4), QPointF(3, 16), QPointF(12, 10), Green);
    p.setBrush(Ink);
    p.drawRect(QRectF(13.5, 4, 3, 12));
}

void BlockDelete(QPainter& p) {
    Letter(p, QRectF(0, 0, 20, 20), "/", Blue, 18);
}

void OptionalStop(QPainter& p) {
    Letter(p, QRectF(0, 0, 20, 20), "M01", Ink, 8);
}

void ToolClear(QPainter& p) {
    Sheet(p, QRectF(2, 3, 16, 14));
    Letter(p, QRectF(2, 3, 16, 14), "T", Red, 11);
}

void Clear(QPainter& p) {
    Sheet(p, QRectF(2, 3, 16, 14));
    p.setPen(Outline(Red, 1.8));
    p.drawLine(QPointF(6, 7), QPointF(14, 13));
    p.drawLine(QPointF(14, 7), QPointF(6, 13));
}

void Zoom(QPainter& p) {
    Magnifier(p, "+");
}

void ZoomUndo(QPainter& p) {
    Magnifier(p, "-");
}

void Standerd(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Paper);
    p.drawRect(QRectF(2, 3, 16, 14));
    p.setPen(Outline(Blue, 1.2));
    p.drawLine(QPointF(2, 12), QPointF(18, 12));
    p.drawLine(QPointF(13, 3), QPointF(13, 17));
}

void BTurretUpper(QPainter& p) {
    Lathe(p, true);
}

void BackColorChange(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(2, 3), QPointF(18, 3), QPointF(2, 17)}));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(18, 3), QPointF(18, 17), QPointF(2, 17)}));
}

void RapidArrow(QPainter& p) {
    p.setPen(QPen(QColor(0xc0, 0x2c, 0xc0), 1.6, Qt::DotLine));
    p.drawLine(QPointF(2, 10), QPointF(15, 10));
    Arrow(p, QPointF(12, 10), QPointF(18, 10), QColor(0xc0, 0x2c, 0xc0));
}

void ToolNumber(QPainter& p) {
    Letter(p, QRectF(0, 0, 20, 20), "T1", Green, 10);
}

void PosDisplay(QPainter& p) {
    p.setPen(Outline(Ink, 1));
    p.drawLine(QPointF(3, 17), QPointF(17, 3));
    p.setBrush(Red);
    p.drawEllipse(QPointF(10, 10), 2.6, 2.6);
    Letter(p, QRectF(9, 11, 11, 8), "xz", Ink, 7, false);
}

void ColorChange(QPainter& p) {
    const QColor c[3] = {Red, Green, Blue};
    for (int i = 0; i < 3; ++i) {
        p.setPen(Outline(c[i], 2.4));
        p.drawLine(QPointF(3, 5 + i * 5), QPointF(17, 5 + i * 5));
    }
}

void ScreenCopy(QPainter& p) {
    Sheet(p, QRectF(2, 4, 12, 12));
    Sheet(p, QRectF(6, 7, 12, 11));
    p.setPen(Outline(Green, 1.4));
    p.drawPolyline(QPolygonF({QPointF(7, 16), QPointF(11, 11), QPointF(14, 14), QPointF(17, 9)}));
}

void PrintIcon(QPainter& p) {
    Printer(p);
}

void Undo(QPainter& p) {
    p.setPen(Outline(Blue, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 12, 11), 270 * 16, 200 * 16);
    Triangle(p, QPointF(2, 9), QPointF(8, 4.5), QPointF(8, 12.5), Blue);
}

void CutIcon(QPainter& p) {
    Scissors(p);
}

void Copy(QPainter& p) {
    Sheet(p, QRectF(3, 2, 10, 12));
    Sheet(p, QRectF(7, 6, 10, 12));
}

void Paste(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(0xc8, 0x9b, 0x5c));
    p.drawRoundedRect(QRectF(3, 3, 12, 15), 1.5, 1.5);
    Sheet(p, QRectF(8, 8, 9, 10));
}

void Find(QPainter& p) {
    Magnifier(p, "");
}

void Replace(QPainter& p) {
    Letter(p, QRectF(0, 0, 10, 11), "A", Ink, 10);
    Letter(p, QRectF(10, 9, 10, 11), "B", Blue, 10);
    Arrow(p, QPointF(6, 14), QPointF(11, 14), Ink);
}

void CalculatorIcon(QPainter& p) {
    Calculator(p);
}

} // namespace icons

QIcon ToolbarIcon(IconPainter paint) {
    if (!paint) return {};
    QIcon icon;
    // Drawn on a 20-unit grid, rendered at the toolbar's 16 pixels and at twice that.
    for (int size : {16, 20, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.scale(size / 20.0, size / 20.0);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paint(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace app
