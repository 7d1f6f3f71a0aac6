// The window's layout in twips: fixed design positions for the left column, and the resize
// rules that give the rest of the window to the trace and the program pane.

#include "app/MainWindow.h"

#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "motion/Motion.h"
#include "nav/ViewNavigation.h"

#include <QFrame>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

// The rules speak of the window's outer size. The frame belongs to the window manager, so the
// outer size is taken as the client area plus the frame of the control PC's windows.
constexpr double SideFrames = 60;        // both side borders
constexpr double CaptionAndFrames = 450; // caption bar and the top and bottom borders
constexpr double PosWidth = 1455, PosHeight = 300;
// Below this client size the layout would give the trace or the pane no room.
constexpr double MinClientWidth = 6600, MinClientHeight = 6600;
// A resize has ended when the size stayed the same this long (ms).
constexpr int ResizeSettleMs = 150;

} // namespace

double MainWindow::TwipsPerPixel() const {
    const double dpi = logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int MainWindow::Px(double twips) const {
    return int(std::lround(twips / TwipsPerPixel()));
}

void MainWindow::LayoutForm() {
    if (isMinimized() || !Form) return;
    const double tpp = TwipsPerPixel();
    const double formW = Form->width() * tpp, formH = Form->height() * tpp;
    const double W = formW + SideFrames;
    const double H = formH + menuBar()->height() * tpp + CaptionAndFrames;
    // The menus stay on one row and every part keeps some room.
    setMinimumSize(std::max(Px(MinClientWidth), menuBar()->sizeHint().width()), Px(MinClientHeight));

    // Status bars along the bottom; only one of them is shown.
    const int barHeight = sbStatusBar->sizeHint().height();
    for (PanelBar* bar : {sbStatusBar, StatusBarF})
        bar->setGeometry(0, Form->height() - barHeight, Form->width(), barHeight);

    Zpos->setGeometry(Px(W - 1670), Px(100), Px(PosWidth), Px(PosHeight));
    Xpos->setGeometry(Px(W - 1670 - PosWidth + 20), Px(100), Px(PosWidth), Px(PosHeight));
    Toolbar1->setGeometry(0, 0, std::max(0, Xpos->x() - Px(60)), Px(480));
    Line1->setGeometry(0, Px(500), Px(W), 2);
    Line2->setGeometry(0, Px(3300), Px(W), 2);
    Toolbar2->setGeometry(Px(60), Px(2820), Px(2760), Px(420));
    Slider->setGeometry(Px(2880), Px(2850), Px(1455), Px(360));

    Trace1->setGeometry(Px(4460), Px(550), std::max(1, Px(W - 4560)), std::max(1, Px(H - 1720)));
    Program->setGeometry(Px(120), Px(3680), Px(4335), std::max(0, Px(H - 4850)));
    Screen.ViewportWidth = Trace1->width() * tpp;
    Screen.ViewportHeight = Trace1->height() * tpp;

    // The pictures are made at the screen's resolution (from their next new size on).
    const double ratio = devicePixelRatioF();
    for (render::ImageCanvas* c : {&TraceImage, &XscaleImage, &ZscaleImage})
        c->SetDevicePixelRatio(ratio);
    if (!ResizeSettle) {
        ResizeSettle = new QTimer(this);
        ResizeSettle->setSingleShot(true);
        ResizeSettle->setInterval(ResizeSettleMs);
        connect(ResizeSettle, &QTimer::timeout, this, &MainWindow::FitViewToWindow);
    }
    ResizeSettle->start();
}

void MainWindow::FitViewToWindow() {
    if (isMinimized() || !M || Ending()) return;
    // Nothing to do when the canvas is already four viewports at the screen's resolution (the
    // standard view has just sized it) or has never been sized.
    const double tolerance = 4 * TwipsPerPixel();
    const bool sized = TraceImage.Width > 1;
    const bool fits = std::fabs(TraceImage.Width - 4 * Screen.ViewportWidth) < tolerance &&
                      std::fabs(TraceImage.Height - 4 * Screen.ViewportHeight) < tolerance &&
                      TraceImage.Image().devicePixelRatio() == TraceImage.DevicePixelRatio();
    if (!sized || fits) return;
    motion::FitCanvasToViewport(*M);
    ApplyView();
    Rerun(motion::Rerun::ForcedReplay);
}

void MainWindow::ApplyView() {
    auto place = [this](QWidget* w, double left, double top, const render::ImageCanvas& c) {
        const QRect r(Px(left), Px(top), std::max(1, Px(c.Width)), std::max(1, Px(c.Height)));
        if (w->geometry() != r) w->setGeometry(r);
    };
    place(Trace, Screen.CanvasLeft, Screen.CanvasTop, TraceImage);
    place(Xscale, 0, Screen.XscaleTop, XscaleImage);
    place(Zscale, Screen.ZscaleLeft, Screen.ZscaleTop, ZscaleImage);
    Xscale->raise();
    Zscale->raise();
}

void MainWindow::RefreshCanvas() {
    ApplyView();
    Trace->update();
    Xscale->update();
    Zscale->update();
}

} // namespace app
