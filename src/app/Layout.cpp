// SPDX-License-Identifier: GPL-3.0-or-later
// The window's layout in twips: fixed design positions for the left column, and the resize
// rules that give the rest of the window to the trace and the program pane.

#include "app/Frame.h"

#include "app/ColumnSplitter.h"
#include "app/PanelBar.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"

#include <QFrame>
#include <QMainWindow>
#include <QMenuBar>

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
// The narrowest the trace becomes when the pane is widened.
constexpr double MinTraceWidth = 3000;

} // namespace

double Frame::TwipsPerPixel() const {
    const double dpi = Window.logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int Frame::Px(double twips) const {
    return int(std::lround(twips / TwipsPerPixel()));
}

void Frame::LayoutForm() {
    if (Window.isMinimized() || !sbStatusBar) return;
    const double tpp = TwipsPerPixel();
    const double formW = Client->width() * tpp, formH = Client->height() * tpp;
    const double W = formW + SideFrames;
    const double H = formH + Window.menuBar()->height() * tpp + CaptionAndFrames;
    // The menus stay on one row and every part keeps some room.
    // Docked panels and bars beside the client area take their room on top of that.
    const int besideW = std::max(0, Window.width() - Client->width());
    const int besideH = std::max(0, Window.height() - Client->height() - Window.menuBar()->height());
    Window.setMinimumSize(std::max(Px(MinClientWidth) + besideW, Window.menuBar()->sizeHint().width()),
                          Px(MinClientHeight) + besideH);

    // Status bars along the bottom; only one of them is shown.
    const int barHeight = sbStatusBar->sizeHint().height();
    const QRect bars(0, Client->height() - barHeight, Client->width(), barHeight);
    sbStatusBar->setGeometry(bars);

    const QRect zpos(Px(W - 1670), Px(100), Px(PosWidth), Px(PosHeight));
    const QRect xpos(Px(W - 1670 - PosWidth + 20), Px(100), Px(PosWidth), Px(PosHeight));
    P.Panel->Place(QRect(0, 0, std::max(0, xpos.x() - Px(60)), Px(480)),
                   QRect(Px(60), Px(2820), Px(2760), Px(420)), QRect(Px(2880), Px(2850), Px(1455), Px(360)),
                   bars);
    Line1->setGeometry(0, Px(500), Px(W), 2);
    Line2->setGeometry(0, Px(3300), Px(W), 2);
    // The column splitter widens the pane and narrows the trace by the same amount; the trace
    // keeps the room it has at the smallest window.
    WideningRoom = std::max(0.0, W - 4560 - MinTraceWidth);
    const double wider = std::clamp(double(Values.PaneWidening), 0.0, WideningRoom);
    P.Trace->Place(
        QRect(Px(4460 + wider), Px(550), std::max(1, Px(W - 4560 - wider)), std::max(1, Px(H - 1720))), xpos,
        zpos);
    P.Doc->Place(QRect(Px(120), Px(3680), Px(4335 + wider), std::max(0, Px(H - 4850))));
    const int gap = Px(4460 + wider);
    ColumnHandle->setGeometry(gap - 3, Px(550), 5, std::max(1, Px(H - 1720)));
    ColumnHandle->raise();
}

} // namespace app
