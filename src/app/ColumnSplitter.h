// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The handle between the window's left column (state labels and program pane) and the trace: a
// drag moves the boundary, so that the operator can widen the pane for long blocks.

#include <QWidget>

#include <functional>

namespace app {

class ColumnSplitter final : public QWidget {
  public:
    explicit ColumnSplitter(QWidget* parent);
    // Told how far the handle was dragged, in pixels (positive: to the right).
    std::function<void(int dx)> Dragged;
    // A drag as the operator gives it: press, move by dx, release (tests).
    void DragAsOperator(int dx);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    int PressedAt = 0;
    bool Pressed = false;
};

} // namespace app
