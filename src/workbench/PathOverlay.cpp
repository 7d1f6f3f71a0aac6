// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/PathOverlay.h"

#include "workbench/StockOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace workbench {

PathOverlay::PathOverlay(QWidget* viewport, ViewMapSource map) : QWidget(viewport), Map(std::move(map)) {
    setObjectName(QStringLiteral("PathOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(viewport->rect());
    viewport->installEventFilter(this);
    raise();
    show();
}

bool PathOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    // A child shown later (the canvas re-created) must not cover the overlay.
    if (watched == parent() && event->type() == QEvent::ChildAdded) raise();
    return false;
}

void PathOverlay::SetResult(BenchPtr result) {
    Paths = std::move(result);
    Follow.reset();
    if (Paths && Paths->Section) Follow.emplace(Paths);
    if (Line)
        HighlightLine(Line);
    else
        Pieces.clear();
    update();
}

void PathOverlay::HighlightLine(int64_t line) {
    Line = line;
    Pieces = Paths && line > 0 ? Paths->Paths.PiecesOfLine(line) : std::vector<size_t>{};
    update();
}

void PathOverlay::HighlightTool(double tool) {
    Line = 0;
    Pieces = Paths ? Paths->Paths.PiecesOfTool(tool) : std::vector<size_t>{};
    update();
}

void PathOverlay::ClearHighlight() {
    Line = 0;
    Pieces.clear();
    update();
}

void PathOverlay::SetMeasuring(bool on) {
    MeasureOn = on;
    if (!on) Session.Clear();
    update();
}

void PathOverlay::ShowStock(bool on) {
    StockOn = on;
    update();
}

void PathOverlay::ShowVersions(bool on) {
    VersionsOn = on;
    update();
}

void PathOverlay::ShowNosePath(bool on) {
    NoseOn = on;
    update();
}

void PathOverlay::RunMoved() {
    if (MovedSincePaint) return;
    MovedSincePaint = true;
    update();
}

void PathOverlay::paintEvent(QPaintEvent*) {
    MovedSincePaint = false;
    const std::optional<inspect::ViewMap> view = Map ? Map() : std::nullopt;
    if (!view || !view->Usable()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (StockOn && Paths && Paths->Section) {
        // Following a run: the part as it has cut it so far, and its tool where it stands.
        const bool white = WhiteBackground && WhiteBackground();
        const std::optional<inspect::RunPoint> run = RunAt ? RunAt() : std::nullopt;
        const inspect::StockSection* section = run && Follow ? Follow->SectionAt(*run) : nullptr;
        PaintStockSection(p, section ? *section : *Paths->Section, *view, white, NoseOn);
        if (run && run->Blocks > 0)
            PaintToolShape(p, inspect::ToolOutlinesOf(*Paths, run->Tool), run->X, run->Z, *view, white);
    }
    if (VersionsOn && Paths && Paths->Versions)
        PaintVersionRegions(p, *Paths->Versions, *view, WhiteBackground && WhiteBackground());
    if (Paths && !Pieces.empty()) {
        QPainterPath path;
        std::vector<inspect::MachinePoint> line;
        for (size_t i : Pieces) {
            inspect::PathIndex::Polyline(Paths->Paths.At(i).Segment, line);
            const inspect::Point a = view->ToPixel(line.front());
            path.moveTo(a.X, a.Y);
            for (size_t k = 1; k < line.size(); ++k) {
                const inspect::Point b = view->ToPixel(line[k]);
                path.lineTo(b.X, b.Y);
            }
        }
        p.setPen(QPen(QColor(255, 140, 0, 170), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        p.setPen(QPen(QColor(200, 0, 200), 1.5));
        p.drawPath(path);
    }
    if (!MeasureOn) return;
    const QColor ink(0, 120, 215);
    p.setPen(QPen(ink, 1.5));
    auto mark = [&](const inspect::SnapPoint& s) {
        const inspect::Point q = view->ToPixel(s.At);
        const QRectF box(q.X - 5, q.Y - 5, 10, 10);
        if (s.Snapped == inspect::SnapPoint::Kind::ArcCentre)
            p.drawEllipse(box);
        else if (s.Snapped == inspect::SnapPoint::Kind::EndPoint)
            p.drawRect(box);
        else
            p.drawLine(QPointF(q.X - 6, q.Y), QPointF(q.X + 6, q.Y)),
                p.drawLine(QPointF(q.X, q.Y - 6), QPointF(q.X, q.Y + 6));
        return QPointF(q.X, q.Y);
    };
    if (!Session.From()) return;
    const QPointF a = mark(*Session.From());
    if (!Session.To()) return;
    const QPointF b = mark(*Session.To());
    p.setPen(QPen(ink, 1.5, Qt::DashLine));
    p.drawLine(a, b);
    const QString text = QString::fromStdString(inspect::MeasurementText(*Session.Result()));
    const QRectF bounds = p.fontMetrics().boundingRect(text).adjusted(-4, -2, 4, 2);
    QPointF at = (a + b) / 2 + QPointF(8, -8);
    at.setX(std::clamp(at.x(), 2.0, std::max(2.0, width() - bounds.width() - 2)));
    at.setY(std::clamp(at.y(), bounds.height() + 2, std::max(bounds.height() + 2, height() - 4.0)));
    const QRectF label = bounds.translated(at);
    p.fillRect(label, QColor(255, 255, 225, 235));
    p.setPen(ink);
    p.drawRect(label);
    p.setPen(Qt::black);
    p.drawText(label, Qt::AlignCenter, text);
}

} // namespace workbench
