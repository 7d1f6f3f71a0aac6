// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drawn over the trace viewport, never into the canvas: the path of the block at the caret (or
// of a tool) highlighted, and the measure's points, line and numbers. The canvas's own pixels
// stay as the run drew them; the overlay only follows the view (zoom, pan, layout, mirrors)
// through a ViewMap the window gives on request.

#include "inspect/Measure.h"
#include "workbench/CheckWorker.h"

#include <QWidget>

#include <algorithm>
#include <functional>
#include <optional>

namespace workbench {

using ViewMapSource = std::function<std::optional<inspect::ViewMap>()>;

class PathOverlay final : public QWidget {
  public:
    // Covers `viewport` and follows its size; lets every mouse event through to the canvas.
    PathOverlay(QWidget* viewport, ViewMapSource map);

    void SetResult(BenchPtr result);
    const BenchPtr& Result() const { return Paths; }
    // The block whose pieces are highlighted (0: none).
    void HighlightLine(int64_t line);
    // Every piece of a tool highlighted instead.
    void HighlightTool(double tool);
    void ClearHighlight();
    int64_t HighlightedLine() const { return Line; }
    // The pieces highlighted, in drawing order.
    const std::vector<size_t>& Highlighted() const { return Pieces; }

    // The view as the window shows it now; none when it has none.
    std::optional<inspect::ViewMap> CurrentMap() const { return Map ? Map() : std::nullopt; }

    // The stock section of the latest check under the marks; off unless switched on.
    void ShowStock(bool on);
    // The compensated nose path with the stock section (View > Nose path).
    void ShowNosePath(bool on);
    bool StockShown() const { return StockOn; }
    // The regions the latest check found against another version of the program, over the
    // section (Compare with version); off while no comparison is asked for.
    void ShowVersions(bool on);
    bool VersionsShown() const { return VersionsOn; }
    std::function<bool()> WhiteBackground; // the trace's background, for the section's colours
    // Where the window's run stands; unset or none: the finished section alone, without a tool.
    std::function<std::optional<inspect::RunPoint>()> RunAt;
    // The run moved on: the section is painted again once the window paints (a run to the caret
    // moves it thousands of times before that).
    void RunMoved();
    // What follows the run on the latest check's stock (tests); null without a setup.
    const inspect::StockFollower* Follower() const { return Follow ? &*Follow : nullptr; }

    inspect::MeasureSession& Measure() { return Session; }
    void SetMeasuring(bool on);
    bool Measuring() const { return MeasureOn; }

  protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    ViewMapSource Map;
    BenchPtr Paths;
    int64_t Line = 0;
    std::vector<size_t> Pieces;
    inspect::MeasureSession Session;
    bool MeasureOn = false;
    bool StockOn = false;
    bool NoseOn = false;
    bool VersionsOn = false;
    std::optional<inspect::StockFollower> Follow; // of Paths, made when it has a section
    bool MovedSincePaint = false;
};

} // namespace workbench
