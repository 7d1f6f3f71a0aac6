// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pointer over the trace for the workbench, watching the canvas's mouse and keys beside the
// view navigation: a click that does not drag picks the block of the piece under it (within
// 5 px) and hovering names that block in a tooltip; in measure mode clicks snap and measure
// instead (the canvas then gets neither the click nor a drag), Esc leaves the mode and Ctrl+C
// copies the numbers.

#include "workbench/PathOverlay.h"

#include <QObject>
#include <QPoint>

namespace workbench {

class PathPointer final : public QObject {
    Q_OBJECT
  public:
    // Watches `canvas` (a widget inside the overlay's viewport).
    PathPointer(QWidget* canvas, PathOverlay* overlay);

    // X-Snap / Z-Snap of the machine, asked at each measuring click.
    std::function<std::pair<bool, bool>()> GridSnap;
    // The program text now (the hover tip quotes its line); none: no text in the tip.
    std::function<const std::u16string&()> Text;
    // True while the canvas's own click means something else (the zoom box is armed).
    std::function<bool()> CanvasBusy;

    // The block under a viewport pixel, within 5 px.
    std::optional<inspect::Hit> BlockAt(QPointF viewportPx) const;
    // A click at a viewport pixel: picks a block, or measures in measure mode.
    void ClickAt(QPointF viewportPx);
    // The tooltip for a viewport pixel ("Line 12: G01 X20. Z-10."), empty off the path.
    QString TipAt(QPointF viewportPx) const;
    void SetMeasuring(bool on);
    bool Measuring() const { return Overlay->Measuring(); }
    // The numbers measured, as the status bar and the clipboard get them; empty before two points.
    QString MeasureText() const;
    void CopyMeasure() const;

  signals:
    void LineClicked(qint64 line);
    void Measured(const QString& text);
    void MeasuringChanged(bool on);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointF ToViewport(QPointF canvasPos) const;
    QWidget* Canvas;
    PathOverlay* Overlay;
    QPoint PressedAt;
    bool Pressed = false;
};

inline constexpr double PickPixels = 5, SnapPixels = 8;

} // namespace workbench
