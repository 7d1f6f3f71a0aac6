// The display switches of the View, Parameter and Snap menus with their toolbar buttons and
// panels, the position display and its drop-down, the background, the two parameter dialogs,
// and the one function that keeps every switch's indicators in step.

#include "app/MainWindow.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "dialogs/SoftLimit.h"
#include "dialogs/UnitSet.h"
#include "nav/DisplayOptions.h"

#include <QAction>

namespace app {

void MainWindow::ConnectDisplayCommands() {
    auto command = [this](QAction* a, auto&& body) {
        connect(a, &QAction::triggered, this, [this, body] { RunCommand(body); });
    };
    command(A.mnuBackcolor, [this] { mnuBackcolor_Click(); });
    command(A.mnuColorChange, [this] {
        const motion::Rerun r = motion::ToggleColorPerTool(*M);
        SyncSwitches();
        Rerun(r);
    });
    command(A.mnuYajirusi, [this] { ToggleDisplay(&motion::ToggleRapidArrow); });
    command(A.ToolNumberDisplay, [this] { ToggleDisplay(&motion::ToggleToolNumber); });
    command(A.mnuBturretUper, [this] { ToggleDisplay(&motion::ToggleBTurretUpper); });
    command(A.mnuXmirror, [this] { ToggleDisplay(&motion::ToggleXmirror); });
    command(A.mnuG2mirror, [this] { ToggleDisplay(&motion::ToggleG2mirror); });
    command(A.mnuVertical, [this] {
        ToggleDisplay(&motion::ToggleVertical);
        Run->ShowMode();
    });
    command(A.mnuXsnap, [this] { ToggleDisplay(&motion::ToggleXSnap); });
    command(A.mnuZsnap, [this] { ToggleDisplay(&motion::ToggleZSnap); });
    for (int k = 0; k < motion::PositionItemCount; ++k) {
        command(A.PostionDisplayT[k], [this, k] { PostionDisplayT_Click(k); });
        command(A.PosDisplayItems[k], [this, k] { PostionDisplayT_Click(k); });
    }
    // A plain click on the button: off while it shows pressed, all tools otherwise.
    command(A.PosDisplay, [this] {
        PostionDisplayT_Click(motion::PosDisplayButtonIndex(motion::Indicators(M->S, Screen).PosDisplay));
    });
    command(A.mnuSoftLimit,
            [this] { dialogs::SoftLimitCommand(M->S, this, [this] { return StandardViewSteps(); }); });
    command(A.mnuUnitSet, [this] { dialogs::ShowUnitSet(*M, this); });
}

void MainWindow::ToggleDisplay(motion::Rerun (*toggle)(interp::MachineState&)) {
    const motion::Rerun r = toggle(M->S);
    SyncSwitches();
    Rerun(r);
}

void MainWindow::PostionDisplayT_Click(int index) {
    const motion::Rerun r = motion::SelectPositionDisplay(M->S, PosMenu, index);
    SyncSwitches();
    Rerun(r);
}

void MainWindow::mnuBackcolor_Click() {
    const motion::Rerun r = motion::ToggleBackColor(*M);
    // The viewport around the canvas takes the canvas's colour, so no seam shows at its edges.
    QPalette pal = Trace1->palette();
    pal.setColor(QPalette::Window, M->S.WhiteBackground ? Qt::white : Qt::black);
    Trace1->setPalette(pal);
    RefreshCanvas();
    Rerun(r);
}

void MainWindow::SyncSwitches() {
    const interp::MachineState& s = M->S;
    const motion::SwitchIndicators d = motion::Indicators(s, Screen);
    struct Indicator {
        QAction* Action;
        bool On;
        const char* Panel; // panel of either status bar, or null
    };
    const Indicator all[] = {
        {A.mnuSingleBlock, s.SingleBlock, "SingleBlock"},
        {A.mnuBlockDelete, s.BlockDelete, "BlockDelete"},
        {A.mnuOptionalStop, s.OptionalStop, "OptionalStop"},
        {A.mnuTclear, s.ToolClear, "T_Clear"},
        {A.mnuAutoStart, s.AutoStart, nullptr},
        {A.mnuPointCheck, s.FanucMode, nullptr},
        {A.mnuFkey, s.FkeyBar, nullptr},
        {A.mnuVertical, d.Vertical, nullptr},
        {A.mnuXmirror, d.Xmirror, nullptr},
        {A.mnuG2mirror, d.G2mirror, nullptr},
        {A.mnuYajirusi, d.Yajirusi, nullptr},
        {A.ToolNumberDisplay, d.TDisplay, nullptr},
        {A.mnuColorChange, d.ColorChange, nullptr},
        {A.mnuBturretUper, d.BturretUper, nullptr},
        {A.PosDisplay, d.PosDisplay, nullptr},
        {A.mnuXsnap, d.Xsnap, "Xsnap"},
        {A.mnuZsnap, d.Zsnap, "Zsnap"},
        {A.mnuZoom, d.Zoom, nullptr},
    };
    // The action carries the check mark and, through it, the toolbar button's pressed state.
    for (const Indicator& i : all) {
        i.Action->setChecked(i.On);
        if (!i.Panel) continue;
        if (StatusPanel* p = StatusBarF->PanelByKey(i.Panel)) p->SetInset(i.On);
        if (StatusPanel* p = sbStatusBar->PanelByKey(i.Panel)) p->SetInset(i.On);
    }
    A.mnuTclear->setEnabled(d.TclearEnabled);
    for (int k = 0; k < motion::PositionItemCount; ++k) {
        A.PostionDisplayT[k]->setChecked(k == PosMenu.Checked);
        A.PosDisplayItems[k]->setText(QString::fromStdString(PosMenu.DropDown[k]));
    }
    StatusBarF->setVisible(s.FkeyBar);
    sbStatusBar->setVisible(!s.FkeyBar);
}

} // namespace app
