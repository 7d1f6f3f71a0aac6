// The operator panel on screen: the commands of the Operation menu bound to the run control,
// press feedback, and the clicks on the toolbar and the two status bars.

#include "app/GuiHost.h"
#include "app/MainWindow.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "interp/Interpreter.h"
#include "motion/Motion.h"
#include "platform/KeyboardLocks.h"

#include <QAction>
#include <QMessageBox>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <exception>

namespace app {

namespace {

struct CommandPlace {
    interp::Command Command;
    const char* Key; // toolbar button and function-key panel
};

constexpr CommandPlace Places[] = {
    {interp::Command::Start, "Start"},
    {interp::Command::Stop, "Stop"},
    {interp::Command::Reset, "Reset"},
    {interp::Command::Restart, "Restart"},
    {interp::Command::SingleBlock, "SingleBlock"},
    {interp::Command::BlockDelete, "BlockDelete"},
    {interp::Command::OptionalStop, "OptionalStop"},
    {interp::Command::ToolClear, "T_Clear"},
    {interp::Command::Clear, "Clear"},
    {interp::Command::Standard, "Standerd"},
};

} // namespace

void MainWindow::RunCommand(const std::function<void()>& command) {
    // No exception may reach the event loop: a failure becomes a message, the window lives on.
    try {
        command();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Zarvik", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(this, "Zarvik", "Unexpected error.");
    }
    RefreshCanvas();
    // The window was closed during a run: once the outermost run has ended, close for real.
    if (CloseAfterRun && !Run->Running()) QTimer::singleShot(0, this, [this] { EndRunThenClose(); });
}

void MainWindow::ConnectRunCommands() {
    auto bind = [this](QAction* a, void (interp::RunControl::*command)()) {
        connect(a, &QAction::triggered, this,
                [this, command] { RunCommand([&] { (Run.get()->*command)(); }); });
    };
    bind(A.mnuStart, &interp::RunControl::Start);
    bind(A.mnuStop, &interp::RunControl::HoldStop);
    bind(A.mnuReset, &interp::RunControl::Reset);
    bind(A.mnuRestart, &interp::RunControl::Restart);
    bind(A.mnuSingleBlock, &interp::RunControl::ToggleSingleBlock);
    bind(A.mnuBlockDelete, &interp::RunControl::ToggleBlockDelete);
    bind(A.mnuOptionalStop, &interp::RunControl::ToggleOptionalStop);
    bind(A.mnuTclear, &interp::RunControl::ToggleToolClear);
    bind(A.mnuClear, &interp::RunControl::Clear);
    bind(A.mnuAutoStart, &interp::RunControl::ToggleAutoStart);
    bind(A.mnuPointCheck, &interp::RunControl::TogglePointCheck);
    bind(A.mnuFkey, &interp::RunControl::ToggleFkeyBar);
}

void MainWindow::ShowPressed(interp::Command command, bool pressed) {
    for (const CommandPlace& place : Places) {
        if (place.Command != command) continue;
        if (QToolButton* b = Buttons.value(place.Key)) b->setDown(pressed);
        if (StatusPanel* p = StatusBarF->PanelByKey(place.Key)) p->SetInset(pressed);
    }
    // A switch's button and panel return to what its state shows.
    if (!pressed) SyncSwitches();
}

void MainWindow::Toolbar1_ButtonClick(const QString& key) {
    if (QToolButton* b = Buttons.value(key)) b->click();
    SyncSwitches();
}

void MainWindow::StatusBarF_PanelClick(const QString& key) {
    const QHash<QString, QAction*> commands{{"Start", A.mnuStart},
                                            {"Stop", A.mnuStop},
                                            {"Reset", A.mnuReset},
                                            {"Restart", A.mnuRestart},
                                            {"SingleBlock", A.mnuSingleBlock},
                                            {"BlockDelete", A.mnuBlockDelete},
                                            {"OptionalStop", A.mnuOptionalStop},
                                            {"T_Clear", A.mnuTclear},
                                            {"Clear", A.mnuClear}};
    if (QAction* a = commands.value(key)) a->trigger();
}

void MainWindow::sbStatusBar_PanelClick(const QString& key) {
    if (key == "INS") {
        Program->setOverwriteMode(!Program->overwriteMode());
        RefreshLocks();
    } else if (key == "Caps Lock") {
        platform::ToggleLock(platform::LockKey::CapsLock);
        RefreshLocks();
    } else if (key == "NUM") {
        platform::ToggleLock(platform::LockKey::NumLock);
        RefreshLocks();
    } else if (key == "Unit") {
        A.mnuUnitSet->trigger();
    } else if (key == "Xsnap") {
        A.mnuXsnap->trigger();
    } else if (key == "Zsnap") {
        A.mnuZsnap->trigger();
    } else if (key == "Control") {
        A.mnuPointCheck->trigger();
    }
}

} // namespace app
