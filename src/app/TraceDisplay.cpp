// SPDX-License-Identifier: GPL-3.0-or-later
// The display switches of the View, Parameter and Snap menus as the trace view redraws them,
// the position display and its drop-down, the background, and printing or copying the view.

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "nav/DisplayOptions.h"
#include "print/Printing.h"

#include <QAction>
#include <QLabel>
#include <QPrinter>

namespace app {

void TraceView::ToggleDisplay(nav::Rerun (*toggle)(interp::MachineState&)) {
    const nav::Rerun r = toggle(P.Model->Machine().S);
    P.Panel->SyncSwitches();
    Rerun(r);
}

void TraceView::mnuColorChange_Click() {
    const nav::Rerun r = nav::ToggleColorPerTool(P.Model->Machine());
    P.Panel->SyncSwitches();
    Rerun(r);
}

void TraceView::PostionDisplayT_Click(int index) {
    const nav::Rerun r = nav::SelectPositionDisplay(P.Model->Machine().S, PosMenu, index);
    P.Panel->SyncSwitches();
    Rerun(r);
}

void TraceView::PosDisplay_Click() {
    // A plain click on the button: off while it shows pressed, all tools otherwise.
    const nav::SwitchIndicators d = nav::Indicators(P.Model->Machine().S, ViewNumbers);
    PostionDisplayT_Click(nav::PosDisplayButtonIndex(d.PosDisplay));
}

void TraceView::SyncPositionMenu() {
    const ActionSet& a = *P.Actions;
    for (int k = 0; k < nav::PositionItemCount; ++k) {
        a(QStringLiteral("PostionDisplayT%1").arg(k))->setChecked(k == PosMenu.Checked);
        a(QStringLiteral("PosDisplayItem%1").arg(k + 1))
            ->setText(QString::fromStdString(PosMenu.DropDown[k]));
    }
}

void TraceView::mnuBackcolor_Click() {
    const nav::Rerun r = nav::ToggleBackColor(P.Model->Machine());
    // The viewport around the canvas takes the canvas's colour, so no seam shows at its edges.
    QPalette pal = Trace1->palette();
    pal.setColor(QPalette::Window, P.Model->Machine().S.WhiteBackground ? Qt::white : Qt::black);
    Trace1->setPalette(pal);
    RefreshCanvas();
    Rerun(r);
}

picture::SheetOptions TraceView::Sheet() const {
    picture::SheetOptions o = Choices;
    o.WidthPx = Trace1->width();
    o.HeightPx = Trace1->height();
    o.WhiteBackground = P.Model->Machine().S.WhiteBackground;
    o.Rulers = true; // the window's own rulers
    return o;
}

print::ViewImages TraceView::ViewForPrint() {
    // Pixels as the widgets stand on the screen.
    return {TraceCanvas.WindowPixels(),
            XscaleCanvas.WindowPixels(),
            ZscaleCanvas.WindowPixels(),
            {Trace1->width(), Trace1->height(), Trace->x(), Trace->y()}};
}

QPrinter& TraceView::Printer() {
    if (!ChosenPrinter) ChosenPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *ChosenPrinter;
}

void TraceView::mnuFilePrinterSetting_Click() {
    settings::Values& v = P.Frm->Settings();
    v.PrinterOrientation = print::PrintSetup(Trace1->window(), Printer(), v.PrinterOrientation, &Choices);
}

void TraceView::mnuDrawPrint_Click() {
    print::PrintRequest r;
    r.FileName = P.Doc->Title();
    r.ScaleWidth = TraceCanvas.ScaleWidth;
    r.ScaleHeight = TraceCanvas.ScaleHeight;
    r.Sheet = Sheet();
    r.PrinterOrientation = P.Frm->Settings().PrinterOrientation;
    if (r.Sheet.Legend)
        for (const Follower* f : P.Followers)
            f->LegendLines(r.Below);
    print::PrintView(Trace1->window(), Printer(), ViewForPrint(), r);
}

void TraceView::mnuScreenPrint_Click() {
    print::ScreenCopy(ViewForPrint(), P.Doc->Title(), P.Model->Machine().S.ToolColor);
}

} // namespace app
