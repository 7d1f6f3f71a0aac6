// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shut-down of the window, and the commands that belong to the window itself.

#include "app/Startup.h"

#include "app/AboutBox.h"
#include "app/Actions.h"
#include "app/Frame.h"
#include "app/GuiHost.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/ProgramDocument.h"
#include "app/RunPanel.h"
#include "app/TraceView.h"
#include "base/Machine.h"
#include "base/Parameters.h"
#include "interp/Interpreter.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"
#include "platform/CalculatorLink.h"
#include "platform/ControlPc.h"
#include "platform/KeyboardLocks.h"
#include "settings/IniStore.h"
#include "settings/Settings.h"
#include "settings/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace app {

namespace {

// The program path of the command line: the whole line when it is enclosed in double quotes
// (CommandLineOf puts the path so), else the text of a path quoted at its start, else the whole
// line. Double quotes inside a path are part of its name ("part "A".min" opens that file).
QString CommandLinePath(const QString& line) {
    if (!line.startsWith(u'"')) return line;
    if (line.size() >= 2 && line.endsWith(u'"')) return line.mid(1, line.size() - 2);
    const qsizetype closing = line.indexOf(u'"', 1);
    return closing < 0 ? line.mid(1) : line.mid(1, closing - 1);
}

} // namespace

QString CommandLineOf(const QStringList& arguments) {
    if (arguments.isEmpty()) return {};
    // NOTE: the first argument is the program's name as it stands: a name may start with a
    // quote ('"A".min' is that file, never "A"). Only quotes around the whole of it are the
    // caller's quoting. Further arguments name nothing.
    QString path = arguments.front();
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"')) path = path.mid(1, path.size() - 2);
    return path.isEmpty() ? QString() : QLatin1Char('"') + path + QLatin1Char('"');
}

void Frame::GrowByDocks() {
    // The layout gives the trace and the pane their sizes from the client area. The workbench's
    // docks and bar take their room beside it, so the window grows by them: at the default size
    // the client area stays what the layout's rules were made for.
    if (QLayout* l = Window.layout()) l->activate();
    const int besideW = std::max(0, Window.width() - Client->width());
    const int besideH = std::max(0, Window.height() - Client->height() - Window.menuBar()->height());
    if (besideW > 0 || besideH > 0) Window.resize(Window.width() + besideW, Window.height() + besideH);
}

bool Frame::Load(const QString& commandLine) {
    try {
        interp::Machine& m = P.Model->Machine();
        interp::MachineState& s = m.S;
        const ActionSet& a = *P.Actions;
        // The program of the command line (step 19) is read meanwhile.
        if (!commandLine.isEmpty()) P.Doc->ReadAhead(CommandLinePath(commandLine));
        // 1. Wheel turns over the canvas reach the wheel zoom.
        P.Trace->StartWheel();
        // 2. The control PC.
        OnKvzControl = platform::OnKvzControlPc();
        settings::IniStore store;
        // 3. Window placement.
        // A first start (no size stored) opens at the default size.
        const bool defaultSize =
            store.Get(QStringLiteral("Settings"), QStringLiteral("MainHeight"), {}).isEmpty();
        settings::ReadWindow(store, Values);
        const QRect place =
            settings::PlaceWindow(store, Values, TwipsPerPixel(), settings::AvailableScreens());
        Window.move(place.topLeft());
        Window.resize(place.size());
        // 4. and 5. Parameters, folder, printer and font; the switches' check marks follow.
        settings::ReadParameters(store, Values, QCoreApplication::applicationDirPath());
        interp::ApplyParameters(s, settings::ParametersOf(Values));
        // 6. The control PC's own program folder.
        if (OnKvzControl) Values.OpenPathName = platform::KvzStartFolder();
        // 7. Recent files.
        settings::ReadRecentFiles(store, Values);
        P.Doc->SetRecentFiles(Values.RecentFile);
        // 8. The workbench's panels and choices (a section of their own).
        for (Follower* f : P.Followers)
            f->ReadSettings(store);
        settings::ReadPaneWidening(store, Values);
        // 9. The two context menus are no menu-bar items.
        Menu("Popup")->menuAction()->setVisible(false);
        Menu("mnuMessage")->menuAction()->setVisible(false);
        // 10. Unit; 11. run speed.
        interp::ShowUnit(m);
        s.RunSpeed = 100;
        P.Panel->SetSlider(100);
        // 12. The canvas: black, with a cross pointer. The path is drawn on a second thread while
        // the program is interpreted; the picture is the same.
        P.Trace->TraceImage().DrawInBackground(true);
        s.WhiteBackground = false;
        nav::ApplyBackground(m);
        // 13. to 15. Display switches start off; step 17 turns three of them on.
        s.ColorPerTool = false;
        s.ColorIndex = 1;
        motion::NextToolColors(m);
        s.RapidArrow = false, s.ShowToolNumber = false;
        s.BTurretUpper = true;
        P.Trace->PrepareForStartup();
        s.ShowPosition = false;
        s.ToolClear = false, s.AutoStart = false, s.Replay = false;
        // 16. The pane: white with black text, whatever colours the desktop uses.
        P.Doc->PrepareForStartup();
        P.Panel->SyncSwitches();
        // 17. Show the window, then the G00-arrow, tool-display, standard-view and colour-change
        // commands; the three switches start off, so they end on.
        P.Trace->ShowCanvas(false);
        if (OnKvzControl)
            Window.showMaximized();
        else
            Window.show();
        for (Follower* f : P.Followers)
            f->Shown();
        if (defaultSize && !OnKvzControl) GrowByDocks();
        a("mnuYajirusi")->trigger();
        a("ToolNumberDisplay")->trigger();
        P.Trace->StandardView();
        if (StartupFailed) return false;
        a("mnuColorChange")->trigger();
        P.Trace->ShowCanvas(true);
        // 18. Auto start on; dialect and lathe type.
        s.AutoStart = true;
        P.Panel->SyncSwitches();
        P.Model->Control().ShowMode();
        // 19. The program of the command line.
        if (!commandLine.isEmpty()) {
            P.Doc->LoadProgramFile(CommandLinePath(commandLine));
            P.Trace->StandardView();
        } else {
            P.Doc->SetUntitled();
        }
        // 20. Caps Lock on, as the control's keyboard expects.
        if (platform::LockState(platform::LockKey::CapsLock) == false)
            platform::SetLock(platform::LockKey::CapsLock, true);
        RefreshLocks();
        P.Trace->RefreshCanvas();
        // 21. Exit chosen while the program was being read and drawn: the event loop has not
        // started, so nothing would end the process once the window is gone. Finish here.
        if (CloseAfterRun && !Exiting) EndRunThenClose();
        return !StartupFailed;
    } catch (const std::exception& e) {
        StartupFailed = true;
        QMessageBox::critical(&Window, "Zarvik", QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void Frame::CaptureWindowPlacement() {
    if (Window.isMinimized()) return;
    // The frame's corner and the outer size; a maximised window stores its maximised bounds.
    const double tpp = TwipsPerPixel();
    Values.MainLeft = float(Window.pos().x() * tpp);
    Values.MainTop = float(Window.pos().y() * tpp);
    Values.MainWidth = float(Window.width() * tpp + 60);
    Values.MainHeight = float(Window.height() * tpp + 450);
}

void Frame::ExitSequence() {
    // 1. The settings, unless start-up failed.
    if (!StartupFailed) {
        const interp::MachineState& s = P.Model->Machine().S;
        CaptureWindowPlacement();
        settings::ApplyParameters(Values, interp::ParametersOf(s));
        Values.AutoStart = s.AutoStart;
        Values.RecentFile = P.Doc->RecentFiles();
        settings::IniStore store;
        settings::WriteAll(store, Values, Window.isMinimized());
        for (Follower* f : P.Followers)
            f->WriteSettings(store);
        if (!store.Sync()) QMessageBox::warning(&Window, "Zarvik", settings::WriteFailedMessage(store));
    }
    // 2. Caps Lock back off, except on the control PC.
    if (!OnKvzControl && platform::LockState(platform::LockKey::CapsLock) == true)
        platform::SetLock(platform::LockKey::CapsLock, false);
    // 3. Leave no folder in use.
    QDir::setCurrent(QDir::rootPath());
    // 4. No more wheel turns; 5. the calculator goes with Zarvik.
    P.Trace->StopWheel();
    CloseCalculator();
    Exiting = true;
}

void Frame::mnuExit_Click() {
    // NOTE: Exit asks about changed text as closing the window does; otherwise the changes are lost.
    if (!Exiting && !P.Doc->AskToSaveChanges()) return;
    if (P.Model->Running()) {
        CloseAfterRun = true;
        P.Model->Machine().S.RunState = interp::RunReset;
        P.Model->Host().EndWaits();
        return;
    }
    ExitSequence();
    Window.close();
}

void Frame::EndRunThenClose() {
    if (Exiting) return;
    ExitSequence();
    Window.close();
}

void Frame::CloseRequested(QCloseEvent* event) {
    if (Exiting) {
        event->accept();
        return;
    }
    if (CloseAfterRun) { // already asked; waiting for the run to end
        event->ignore();
        return;
    }
    // 1. The calculator closes with the window.
    CloseCalculator();
    // 2. Unsaved text; a save that fails or is cancelled keeps the window open.
    if (!P.Doc->AskToSaveChanges()) {
        event->ignore();
        return;
    }
    // A run in progress ends first; the window closes when its loop has returned.
    if (P.Model->Running()) {
        CloseAfterRun = true;
        P.Model->Machine().S.RunState = interp::RunReset;
        P.Model->Host().EndWaits();
        event->ignore();
        return;
    }
    // 3. The exit sequence.
    ExitSequence();
    event->accept();
}

void Frame::WindowStateChanged() {
    LayoutForm();
}

void Frame::FailStartup(const QString& why) {
    QMessageBox::critical(&Window, "Zarvik", why);
    StartupFailed = true;
    Exiting = true;
    Window.close();
}

void Frame::mnuEditCalculator_Click() {
    QString error;
    if (!StartCalculatorFromAny(CalculatorFolders(CalculatorFolder), &error))
        QMessageBox::warning(&Window, "Zarvik", error);
}

void Frame::About_Click() {
    frmAbout about(&Window);
    about.exec();
}

} // namespace app
