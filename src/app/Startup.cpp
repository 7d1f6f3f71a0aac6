// Start-up and shut-down of the window, and the commands that belong to the window itself.

#include "app/Startup.h"

#include "app/AboutBox.h"
#include "app/GuiHost.h"
#include "app/MainWindow.h"
#include "app/PanelBar.h"
#include "app/Widgets.h"
#include "interp/Interpreter.h"
#include "motion/Motion.h"
#include "platform/CalculatorLink.h"
#include "platform/ControlPc.h"
#include "platform/KeyboardLocks.h"
#include "platform/WheelMouse.h"
#include "settings/IniStore.h"
#include "settings/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <exception>

namespace app {

namespace {

// The program path of the command line: whole, or the text between its first two double quotes.
QString CommandLinePath(QString line) {
    const qsizetype first = line.indexOf('"');
    if (first < 0) return line;
    line = line.mid(first + 1);
    const qsizetype second = line.indexOf('"');
    return second < 0 ? line : line.left(second);
}

} // namespace

QString CommandLineOf(const QStringList& arguments) {
    QStringList line = arguments;
    for (QString& a : line)
        if (a.contains(' ') && !a.contains('"')) a = '"' + a + '"';
    return line.join(' ');
}

void MainWindow::ConnectCommands() {
    ConnectRunCommands();
    ConnectFileCommands();
    connect(A.mnuExit, &QAction::triggered, this, [this] { RunCommand([this] { mnuExit_Click(); }); });
    connect(A.About, &QAction::triggered, this, [this] { RunCommand([this] { About_Click(); }); });
    ConnectViewCommands();
    ConnectDisplayCommands();
    ConnectEditCommands();
    ConnectPrintCommands();
}

bool MainWindow::Load(const QString& commandLine) {
    try {
        interp::MachineState& s = M->S;
        // 1. Wheel turns over the canvas reach the wheel zoom.
        m_CWheel1->Initialize(Trace);
        // 2. The control PC.
        OnKvzControl = platform::OnKvzControlPc();
        settings::IniStore store;
        // 3. Window placement.
        settings::ReadWindow(store, Settings);
        const QRect place =
            settings::PlaceWindow(store, Settings, TwipsPerPixel(), settings::AvailableScreens());
        move(place.topLeft());
        resize(place.size());
        // 4. and 5. Parameters, folder, printer and font; the switches' check marks follow.
        settings::ReadParameters(store, Settings, QCoreApplication::applicationDirPath());
        s.PVLX = Settings.PVLX, s.PVLZ = Settings.PVLZ, s.NVLX = Settings.NVLX, s.NVLZ = Settings.NVLZ;
        s.UnitCode = Settings.Unit;
        s.FanucMode = Settings.PointCheck.On;
        s.Vertical = Settings.Vertical.On;
        s.Xmirror = Settings.Xmirror.On;
        s.G2mirror = Settings.G2mirror;
        // 6. The control PC's own program folder.
        if (OnKvzControl) Settings.OpenPathName = platform::KvzStartFolder();
        // 7. Recent files.
        settings::ReadRecentFiles(store, Settings);
        for (int n = 0; n < 5; ++n)
            Recent.Captions[n] = Settings.RecentFile[n];
        for (int n = 0; n < 5; ++n) {
            A.mnuFileRecentFile[n]->setText(Recent.Captions[n]);
            A.mnuFileRecentFile[n]->setVisible(files::RecentFiles::InUse(Recent.Captions[n]));
        }
        // 9. The two context menus are no menu-bar items.
        Mn.Popup->menuAction()->setVisible(false);
        Mn.mnuMessage->menuAction()->setVisible(false);
        // 10. Unit; 11. run speed.
        interp::ShowUnit(*M);
        s.RunSpeed = 100;
        Slider->setValue(100);
        // 12. The canvas: black, with a cross pointer. The path is drawn on a second thread while
        // the program is interpreted; the picture is the same.
        TraceImage.DrawInBackground(true);
        s.WhiteBackground = false;
        motion::ApplyBackground(*M);
        Trace->setCursor(Qt::CrossCursor);
        // 13. to 15. Display switches start off; step 17 turns three of them on.
        s.ColorPerTool = false;
        s.ColorIndex = 1;
        motion::NextToolColors(*M);
        s.RapidArrow = false, s.ShowToolNumber = false;
        s.BTurretUpper = true;
        PosMenu = motion::StartupPositionDisplayMenu();
        s.ShowPosition = false;
        s.ToolClear = false, s.AutoStart = false, s.Replay = false;
        // 16. The pane: white with black text, whatever colours the desktop uses.
        Program->setReadOnly(false);
        QPalette paper = Program->palette();
        paper.setColor(QPalette::Base, Qt::white);
        paper.setColor(QPalette::Text, Qt::black);
        Program->setPalette(paper);
        ApplyProgramFont();
        Program->document()->setModified(false);
        SyncSwitches();
        // 17. Show the window, then the G00-arrow, tool-display, standard-view and colour-change
        // commands; the three switches start off, so they end on.
        Trace->hide();
        if (OnKvzControl)
            showMaximized();
        else
            show();
        A.mnuYajirusi->trigger();
        A.ToolNumberDisplay->trigger();
        StandardView();
        if (StartupFailed) return false;
        A.mnuColorChange->trigger();
        Trace->show();
        // 18. Auto start on; dialect and lathe type.
        s.AutoStart = true;
        SyncSwitches();
        Run->ShowMode();
        // 19. The program of the command line.
        if (!commandLine.isEmpty()) {
            LoadProgramFile(CommandLinePath(commandLine));
            StandardView();
        } else {
            ProgramFileName = "Untitled";
        }
        // 20. Caps Lock on, as the control's keyboard expects.
        if (platform::LockState(platform::LockKey::CapsLock) == false)
            platform::SetLock(platform::LockKey::CapsLock, true);
        RefreshLocks();
        RefreshCanvas();
        return !StartupFailed;
    } catch (const std::exception& e) {
        StartupFailed = true;
        QMessageBox::critical(this, "Zarvik", QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void MainWindow::CaptureWindowPlacement() {
    if (isMinimized()) return;
    // The frame's corner and the outer size; a maximised window stores its maximised bounds.
    const double tpp = TwipsPerPixel();
    Settings.MainLeft = float(pos().x() * tpp);
    Settings.MainTop = float(pos().y() * tpp);
    Settings.MainWidth = float(width() * tpp + 60);
    Settings.MainHeight = float(height() * tpp + 450);
}

void MainWindow::ExitSequence() {
    // 1. The settings, unless start-up failed.
    if (!StartupFailed) {
        const interp::MachineState& s = M->S;
        CaptureWindowPlacement();
        Settings.PVLX = s.PVLX, Settings.PVLZ = s.PVLZ, Settings.NVLX = s.NVLX, Settings.NVLZ = s.NVLZ;
        Settings.Unit = s.UnitCode;
        Settings.PointCheck.On = s.FanucMode;
        Settings.Vertical.On = s.Vertical;
        Settings.Xmirror.On = s.Xmirror;
        Settings.G2mirror = s.G2mirror;
        Settings.AutoStart = s.AutoStart;
        for (int n = 0; n < 5; ++n)
            Settings.RecentFile[n] = Recent.Captions[n];
        settings::IniStore store;
        settings::WriteAll(store, Settings, isMinimized());
        if (!store.Sync()) QMessageBox::warning(this, "Zarvik", settings::WriteFailedMessage(store));
    }
    // 2. Caps Lock back off, except on the control PC.
    if (!OnKvzControl && platform::LockState(platform::LockKey::CapsLock) == true)
        platform::SetLock(platform::LockKey::CapsLock, false);
    // 3. Leave no folder in use.
    QDir::setCurrent(QDir::rootPath());
    // 4. No more wheel turns; 5. the calculator goes with Zarvik.
    if (m_CWheel1) m_CWheel1->Terminate();
    CloseCalculator();
    Exiting = true;
}

void MainWindow::mnuExit_Click() {
    // NOTE: Exit asks about changed text as closing the window does; otherwise the changes are lost.
    if (!Exiting && !AskToSaveChanges()) return;
    if (Run->Running()) {
        CloseAfterRun = true;
        M->S.RunState = interp::RunReset;
        Host->EndWaits();
        return;
    }
    ExitSequence();
    close();
}

void MainWindow::EndRunThenClose() {
    if (Exiting) return;
    ExitSequence();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
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
    if (!AskToSaveChanges()) {
        event->ignore();
        return;
    }
    // A run in progress ends first; the window closes when its loop has returned.
    if (Run->Running()) {
        CloseAfterRun = true;
        M->S.RunState = interp::RunReset;
        Host->EndWaits();
        event->ignore();
        return;
    }
    // 3. The exit sequence.
    ExitSequence();
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) LayoutForm();
}

void MainWindow::About_Click() {
    frmAbout about(this);
    about.exec();
}

} // namespace app
