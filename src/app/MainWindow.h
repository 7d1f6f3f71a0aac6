#pragma once
// frmMain: Zarvik's one main window. It owns every control (the program pane, the trace with its
// rulers, the state labels, both toolbars and both status bars, the menus), the start-up and
// shut-down, and the simulated lathe that runs in it.

#include "app/Actions.h"
#include "app/StateLabels.h"
#include "editor/Search.h"
#include "files/Codec.h"
#include "files/RecentFiles.h"
#include "base/Host.h"
#include "base/Machine.h"
#include "interp/RunControl.h"
#include "nav/DisplayOptions.h"
#include "base/View.h"
#include "render/ImageCanvas.h"
#include "settings/Settings.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QMessageBox;
class QMouseEvent;
class QPrinter;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;

namespace files {
class ProgramText;
}
namespace platform {
class clsWheelMouse;
}
namespace print {
struct ViewImages;
}

namespace app {

class CanvasWidget;
class GuiHost;
class PanelBar;
class ProgramPane;

class MainWindow : public QMainWindow {
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up from reading the settings to the command line (quoted or not). False when it
    // failed; the window has then shown why and must be closed without writing the settings.
    bool Load(const QString& commandLine);

    // --- Controls ---
    Actions A{};
    Menus Mn{};
    QWidget* Form = nullptr; // the client area below the menu bar; layout in twips
    QToolBar *Toolbar1 = nullptr, *Toolbar2 = nullptr;
    QHash<QString, QToolButton*> Buttons; // toolbar buttons by key
    ProgramPane* Program = nullptr;
    QWidget* Trace1 = nullptr; // the viewport
    CanvasWidget *Trace = nullptr, *Xscale = nullptr, *Zscale = nullptr;
    QLineEdit *Xpos = nullptr, *Zpos = nullptr;
    QSlider* Slider = nullptr;
    PanelBar *sbStatusBar = nullptr, *StatusBarF = nullptr;
    StateLabels Labels;
    QFrame *Line1 = nullptr, *Line2 = nullptr;

    // --- Module state ---
    settings::Values Settings;
    bool OnKvzControl = false;
    QString ProgramFileName = QStringLiteral("Untitled");
    files::RecentFiles Recent;
    files::Encoding FileEncoding = files::Encoding::Utf8;
    files::ProgramText* Text = nullptr;

    // --- The simulated lathe ---
    render::ImageCanvas TraceImage, XscaleImage, ZscaleImage;
    motion::View Screen;
    std::unique_ptr<GuiHost> Host;
    std::unique_ptr<interp::Machine> M;
    std::unique_ptr<interp::RunControl> Run;

    // --- View, display options, editor and printer ---
    motion::PositionDisplayMenu PosMenu;          // check mark and drop-down texts of the position display
    editor::SearchState Search;                   // the Find and Replace texts and counts
    std::unique_ptr<QPrinter> Printer;            // the printer chosen in Print setup is kept
    platform::clsWheelMouse* m_CWheel1 = nullptr; // wheel turns over the canvas
    QString CalculatorFolder;                     // Zarvik's own folder: the calculator is looked for there first

    // --- Commands and the window's own procedures ---
    // Check marks, pressed buttons and sunken panels from the machine state: the one place.
    void SyncSwitches();
    void ShowPressed(interp::Command command, bool pressed);
    // The standard view; limits it cannot use give "Soft limit error." and the soft-limit dialog.
    void StandardView();
    // Press feedback, layout, view numbers and the re-run, reporting a soft-limit failure
    // instead of handling it (the soft-limit dialog's cycle calls it).
    motion::StandardViewResult StandardViewSteps();
    // Redraws for the re-run form an operation asks for (the view operations and display switches).
    void Rerun(motion::Rerun rerun);
    // The view as the widgets show it, for Print and Screen copy.
    print::ViewImages ViewForPrint();
    // View commands on the canvas.
    void Trace_MouseDown(QMouseEvent* e);
    void Trace_MouseMove(QMouseEvent* e);
    void Trace_MouseUp(QMouseEvent* e);
    bool Trace_KeyDown(int qtKey);
    void m_CWheel1_MouseWheel(int16_t iniVector);
    void mnuZoomUndo_Click();
    void PostionDisplayT_Click(int index);
    void PopUpPosition_Click();
    void mnuBackcolor_Click();
    void mnuDrawPrint_Click();
    void mnuEditCalculator_Click();
    void LoadProgramFile(const QString& path);
    bool SaveProgramFile(const QString& path);
    void ShowFileName(const QString& path);
    void AddRecentFile(const QString& path);
    void mnuOpen_Click();
    bool mnuFileSave_Click();
    bool mnuFileSaveAs_Click();
    void mnuFileRecentFile_Click(int index);
    void mnuExit_Click();
    void About_Click();
    void sbStatusBar_PanelClick(const QString& key);
    void StatusBarF_PanelClick(const QString& key);
    void Toolbar1_ButtonClick(const QString& key);
    bool Modified() const;
    // The closing question about changed text (Yes saves, No drops the changes); false when the
    // command that asked must stop. Closing, Exit, Open and the recent files ask it.
    bool AskToSaveChanges();
    void LayoutForm();    // the resize rules
    // Once a resize has ended: canvas and rulers fitted to the new viewport and a silent re-run.
    void FitViewToWindow();
    void ApplyView();     // the view numbers onto the canvas and ruler widgets
    void RefreshCanvas(); // repaint what the run has drawn
    void RefreshLocks();  // keyboard-lock panels, date and time
    double TwipsPerPixel() const;
    bool Ending() const { return CloseAfterRun || Exiting; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildForm();
    void BuildToolbars();
    void BuildStatusBars();
    void ConnectCommands();
    void ConnectRunCommands();
    void ConnectFileCommands();
    void ConnectViewCommands();
    void ConnectDisplayCommands();
    void ConnectEditCommands();
    void ConnectPrintCommands();
    void ToggleDisplay(motion::Rerun (*toggle)(interp::MachineState&));
    motion::CanvasPoint PointerAt(const QMouseEvent* e) const;
    bool CanvasEvent(QEvent* event);
    bool SliderEvent(QEvent* event);
    void RunCommand(const std::function<void()>& command);
    void ApplySettingsAtStartup();
    void ApplyProgramFont();
    void ExitSequence();
    void EndRunThenClose();
    void CaptureWindowPlacement();
    int Px(double twips) const;
    QString AskOpenFile();
    QString AskSaveFile();
    void ShowFileError(const QString& text);
    bool AskToSaveAsUtf8(const QString& path, const QString& text, qsizetype unfit);
    // Says so when the control would read no block of a program just opened.
    void NoticeLineEnds(const QString& path, const QString& exact);

    QTimer* LockTimer = nullptr;
    QTimer* ResizeSettle = nullptr; // the end of a resize: no new size for a moment
    bool DragHalted = false; // the drag reached the canvas edge; moves wait for the button's release
    bool StartupFailed = false;
    bool CloseAfterRun = false; // the window closes once the run in progress has ended
    bool Exiting = false;       // the exit sequence has run; the next close goes through

    QPointer<QMessageBox> LineEndNotice; // the note about the line ends of the open program
};

} // namespace app
