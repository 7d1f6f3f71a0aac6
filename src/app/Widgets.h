// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two small widgets of the window: the picture of a canvas (the trace or a ruler), and the
// program pane, whose menu shortcuts win over the pane's own keys as on the control PC.

#include "editor/ProgramView.h"

#include <QWidget>

#include <functional>

namespace render {
class ImageCanvas;
}

namespace app {

// Shows what has been drawn on an image canvas; scaled when the screen's pixels are not the
// canvas's own.
class CanvasWidget : public QWidget {
  public:
    CanvasWidget(render::ImageCanvas& source, const QString& name, QWidget* parent);
    render::ImageCanvas& Source;

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The wheel zooms the view (delivered by the window's wheel filter) and scrolls nothing.
    void wheelEvent(QWheelEvent* event) override;
};

class ProgramPane : public editor::ProgramView {
  public:
    ProgramPane(files::ProgramText& text, QWidget* parent);
    // Keys the window's commands claim although the pane would take them (Ctrl+Z is Zoom).
    std::function<bool(const QKeySequence&)> IsWindowShortcut;

  protected:
    bool event(QEvent* event) override;
};

} // namespace app
