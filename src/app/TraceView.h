// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tool-path view: the canvas and its two rulers in the viewport, the view numbers, the
// mouse, wheel and keys on the canvas, snap and the position read-out, the display switches and
// the position display, the re-runs they ask for, and printing or copying what the view shows.

#include "base/View.h"
#include "nav/DisplayOptions.h"
#include "nav/ViewNavigation.h"
#include "picture/Sheet.h"
#include "render/ImageCanvas.h"

#include <QObject>
#include <QString>

#include <memory>

class QEvent;
class QLineEdit;
class QMouseEvent;
class QPrinter;
class QRect;
class QTimer;
class QWidget;

namespace interp {
struct MachineState;
}
namespace platform {
class clsWheelMouse;
}
namespace print {
struct ViewImages;
}

namespace app {

class CanvasWidget;
struct Parts;

class TraceView : public QObject {
  public:
    TraceView(QWidget* form, const Parts& parts);
    ~TraceView() override;
    void Build(); // the position-display and popup actions
    void Connect();

    motion::View& Screen() { return ViewNumbers; }
    render::ImageCanvas& TraceImage() { return TraceCanvas; }
    void StartWheel(); // wheel turns over the canvas reach the wheel zoom
    void StopWheel();
    void PrepareForStartup(); // black canvas, cross pointer, the position display's start
    void ShowCanvas(bool shown);
    void Place(const QRect& viewport, const QRect& xpos, const QRect& zpos);
    void SyncPositionMenu(); // the position display's check mark and drop-down texts

    // --- Commands ---
    // The standard view; limits it cannot use give "Soft limit error." and the soft-limit dialog.
    void StandardView();
    // Press feedback, layout, view numbers and the re-run, reporting a soft-limit failure
    // instead of handling it (the soft-limit dialog's cycle calls it).
    motion::StandardViewResult StandardViewSteps();
    // Redraws for the re-run form an operation asks for (the view operations and display switches).
    void Rerun(nav::Rerun rerun);
    void ToggleDisplay(nav::Rerun (*toggle)(interp::MachineState&));
    void mnuZoom_Click();
    void mnuZoomUndo_Click();
    void mnuColorChange_Click();
    void mnuBackcolor_Click();
    void PosDisplay_Click();
    void PostionDisplayT_Click(int index);
    void PopUpPosition_Click();
    void mnuSoftLimit_Click();
    void mnuDrawPrint_Click();
    void mnuFilePrinterSetting_Click();
    void mnuScreenPrint_Click();
    void Trace_MouseDown(QMouseEvent* e);
    void Trace_MouseMove(QMouseEvent* e);
    void Trace_MouseUp(QMouseEvent* e);
    bool Trace_KeyDown(int qtKey);
    void m_CWheel1_MouseWheel(int16_t iniVector);
    void ApplyView();     // the view numbers onto the canvas and ruler widgets
    void RefreshCanvas(); // repaint what the run has drawn

    // --- Inspection ---
    render::ImageCanvas& XscaleImage() { return XscaleCanvas; }
    render::ImageCanvas& ZscaleImage() { return ZscaleCanvas; }
    QWidget* Viewport() const { return Trace1; }
    QWidget* Canvas() const; // the trace widget: mouse and key events for the view go there
    QWidget* ZRuler() const; // the Z ruler's widget along the viewport's foot
    QString XposText() const;
    QString ZposText() const;
    // The printer Print setup chose. Made when first asked for: asking the print system for its
    // printers takes a while that start-up need not wait for.
    QPrinter& Printer();
    // The picture as the window shows it, for Print and Export picture: the viewport's size and
    // background, the rulers, and the operator's choices (PictureChoices).
    picture::SheetOptions Sheet() const;
    // What the operator chose for pictures (Print setup: the tools table as the legend).
    picture::SheetOptions& PictureChoices() { return Choices; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    motion::CanvasPoint PointerAt(const QMouseEvent* e) const;
    bool CanvasEvent(QEvent* event);
    print::ViewImages ViewForPrint();
    // Once a resize has ended: canvas and rulers fitted to the new viewport and a silent re-run.
    void FitViewToWindow();

    const Parts& P;
    QWidget* Trace1 = nullptr; // the viewport
    CanvasWidget *Trace = nullptr, *Xscale = nullptr, *Zscale = nullptr;
    QLineEdit *Xpos = nullptr, *Zpos = nullptr;
    nav::PositionTexts ReadOut; // the pointer's position as Xpos and Zpos show it
    render::ImageCanvas TraceCanvas, XscaleCanvas, ZscaleCanvas;
    motion::View ViewNumbers;
    nav::PositionDisplayMenu PosMenu;        // check mark and drop-down texts of the position display
    std::unique_ptr<QPrinter> ChosenPrinter; // see Printer()
    picture::SheetOptions Choices;
    platform::clsWheelMouse* m_CWheel1 = nullptr;
    QTimer* ResizeSettle = nullptr; // the end of a resize: no new size for a moment
    bool DragHalted = false;        // the drag reached the canvas edge; moves wait for the button's release
};

} // namespace app
