#pragma once
// Two small widgets of the window: the picture of a canvas (the trace or a ruler), and the
// program pane, whose menu shortcuts win over the pane's own keys as on the control PC.

#include <QPlainTextEdit>
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

class ProgramPane : public QPlainTextEdit {
  public:
    explicit ProgramPane(QWidget* parent);
    // Keys the window's commands claim although the pane would take them (Ctrl+Z is Zoom).
    std::function<bool(const QKeySequence&)> IsWindowShortcut;
    std::function<void()> OverwriteChanged;
    // Called before the operator's input could change the text (keys, input method, a drop, a
    // middle-button paste): the pane then holds the whole program.
    std::function<void()> BeforeInput;
    // Room on the left of the text for the line-number gutter.
    void SetLeftMargin(int px) { setViewportMargins(px, 0, 0, 0); }

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    // Copy and paste keep the program's characters exact, the ones shown as glyphs too.
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace app
