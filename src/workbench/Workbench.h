// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checking workbench in the window: its panels as docks (PanelTable.h), the path
// overlay and pointer on the trace, the pane's gutter, the View commands that show them, measure
// and zoom to fit, and the counts in the status bar. The window gives it a few hooks (below) and
// tells it when a program was opened or edited and when a run ended; nothing of the control's
// own commands goes through here.

#include "settings/WorkbenchSettings.h"
#include "workbench/CheckWorker.h"
#include "workbench/PaneGutter.h"
#include "workbench/PanelTable.h"
#include "workbench/Panels.h"
#include "workbench/PathPointer.h"
#include "workbench/SetupSource.h"

#include <QObject>
#include <QTimer>

class QAction;
class QFileSystemWatcher;
class QMainWindow;
class QMenu;
class QPushButton;

namespace editor {
class ProgramView;
}
namespace picture {
struct Area;
}

namespace workbench {

struct WindowHooks {
    QMainWindow* Window = nullptr;
    QWidget* Viewport = nullptr; // the trace's viewport
    QWidget* Canvas = nullptr;   // the trace canvas inside it
    editor::ProgramView* Pane = nullptr;
    std::function<void(int)> SetPaneMargin;               // the pane's left viewport margin
    std::function<std::optional<inspect::ViewMap>()> Map; // the view as it is now
    std::function<check::CheckOptions()> Options;         // the machine's switches and limits
    std::function<QString()> ProgramPath;                 // the program's file; empty when untitled
    // The program text as it is now, shared with the check (the same object while unchanged).
    std::function<std::shared_ptr<const std::u16string>()> Text;
    std::function<const std::u16string&()> TextNow; // the same without a copy (hover tips)
    std::function<uint64_t()> TextRevision;         // changes with every change of the text
    std::function<int64_t(int panePosition)> ToTextOffset;
    std::function<void(int64_t start, int64_t length)> SelectBlock; // caret onto a block
    std::function<bool()> CanvasBusy;                               // the zoom box is armed
    std::function<std::pair<bool, bool>()> GridSnap;                // X-Snap, Z-Snap
    std::function<void(const picture::Area&)> ZoomTo;               // one more zoom step, then the re-run
    std::function<std::optional<inspect::RunPoint>()> Run;          // where the lathe's run stands
    // The window draws the program (a silent re-run, a press of a button before it): a check
    // waits to start until it is done, so as not to slow the picture down.
    std::function<bool()> Drawing;
};

// Shortcuts no command of the control uses (the panels' own are in their rows).
inline constexpr const char* MeasureKey = "Ctrl+Shift+M";
inline constexpr const char* FitKey = "Ctrl+Shift+F";
inline constexpr const char* LineNumbersKey = "Ctrl+Shift+L";
inline constexpr const char* StockKey = "Ctrl+Shift+B";

class Workbench final : public QObject {
    Q_OBJECT
  public:
    Workbench(WindowHooks hooks, const settings::WorkbenchValues& values);
    // The values read from the settings at start-up.
    void ApplySettings(const settings::WorkbenchValues& values);

    // The commands, for the View menu and the toolbar.
    QAction *MeasureMode, *ZoomToFit, *LineNumbers, *StartFitted, *ShowStock, *ShowNosePath;
    // Every command in the View menu's order, the panels' among them.
    QList<QAction*> Commands() const;
    // Adds the commands to `view`, after a separator.
    void AddToMenu(QMenu* view) const;
    // A panel of the table and its View command, by the row's name; null for a name not there.
    Panel* PanelNamed(const QString& name) const;
    QAction* PanelCommand(const QString& name) const;
    // The window's guard: each of the commands above runs inside it (unset: directly).
    std::function<void(const std::function<void()>&)> RunCommand;

    // The window's moments.
    void ProgramOpened();
    // Cheap on every keystroke: the text is taken only once typing has paused.
    void ProgramEdited();
    // After every command of the window: a run with other switches is checked again.
    void AfterCommand();
    // After every block a run executes in view: the stock section follows it.
    void BlockExecuted();

    // Times the program on the machine file at `path` rather than on the setup's machine (empty:
    // the setup's again), and checks it again.
    void SetMachineFile(const QString& path);

    // Compares the program with another version of it from now on (null: no longer), with every
    // check of its text: the Compare panel lists what changed, the overlay colours it.
    void CompareWith(std::shared_ptr<const check::ProgramVersion> version);
    bool Comparing() const { return Checker.Versus() != nullptr; }

    // Frames everything drawn with a 5 % margin as one more zoom step; false when nothing is drawn.
    bool FitView();
    // The caret onto a line's block (the problems list, the tools panel, a click on the path).
    void GoToLine(int64_t line);

    // The choices as the settings keep them (the print setup's own is the window's).
    settings::WorkbenchValues Values() const;
    // The keys the panels keep their visibility under, for reading the settings.
    static QStringList PanelSettings();
    // The tools table as lines of text, for the printed page; empty without a check.
    QStringList ToolTableLines() const;
    // Gives the docks their first height (the window calls it once it is shown).
    void FitDocks();

    // Inspection (tests).
    ProblemsPanel* Problems() const;
    ToolsPanel* Tools() const;
    PathOverlay* Overlay() { return PathLayer; }
    PathPointer* Pointer() { return PointerOnPath; }
    PaneGutter* Gutter() { return PaneNumbers; }
    CheckWorker* Worker() { return &Checker; }
    QPushButton* Counts() { return CountsButton; }
    const BenchPtr& Latest() const { return Checker.Latest(); }
    // The line of the caret's block as the checker counts it.
    int64_t CaretLine() const;

  signals:
    void StatusText(const QString& text); // for the status bar's message (a measure)
    // A quick fix chosen in the problems list; the window applies it to the program.
    void FixRequested(inspect::QuickFix fix);

  private:
    void Checked(BenchPtr result);
    // The window's switches with the program's setup, when it has one.
    check::CheckOptions OptionsNow();
    // The setup and the drawing it names are watched: a change saved by another program (a CAD
    // program writing the drawing) is checked again without waiting for a command.
    QFileSystemWatcher* InputWatch = nullptr;
    QTimer InputPause; // from the last change on disk to the look at it
    void WatchInputs(const QStringList& files);
    void InputsChanged();
    SetupSource Setups;
    QString SetupComplaint; // the last one told in the status line
    QString MachineFile;    // chosen in the machine panel; empty: the setup's machine
    QString MachineComplaint;
    QString StockComplaint; // the same for a stock that could not be cut
    // The counts of the problems list, with a note when the stock was left out of the check.
    QString CountsText(const BenchPtr& result) const;
    // Why a check left the stock out (the setup file, the line, the reason), or empty.
    static QString StockErrorText(const BenchPtr& result);
    // Tells the machine panel which machine times the program: the file chosen, or the setup's.
    void ShowMachineChoice();
    // Checks `text` at once; it is the text the list then stands for.
    // `soon`: at the next look at the window's events rather than at once (a program just
    // opened is drawn first).
    void CheckNow(std::shared_ptr<const std::u16string> text, const check::CheckOptions& options,
                  bool soon = false);
    std::optional<uint64_t> CheckedRevision; // the text of the newest check asked for
    void CaretMoved();
    void MakePanels();
    WindowHooks H;
    CheckWorker Checker;
    struct Docked {
        const PanelRow* Row;
        Panel* Dock;
        QAction* Command;
    };
    std::vector<Docked> Docks; // in the table's order
    PathOverlay* PathLayer = nullptr;
    PathPointer* PointerOnPath = nullptr;
    PaneGutter* PaneNumbers = nullptr;
    QPushButton* CountsButton = nullptr;
    bool CountsPending = false; // the counts say "checking..." until a check is in or given up
    // A command's work, inside the window's guard.
    void Guarded(const std::function<void()>& work);
    bool FitWhenChecked = false;
    QTimer EditPause; // from the last edit to the check
    // While a check cuts the stock of a long program, the counts say how far it is.
    QTimer StockProgress;
    void ShowStockProgress();
};

} // namespace workbench
